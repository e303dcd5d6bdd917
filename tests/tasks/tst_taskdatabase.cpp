// The task database that cannot be used, or only in part: what the look at
// the file finds, what the program tells at start and later, and that it is
// neither held up by a lock nor writes into a damaged file.
#include "TaskFixtures.h"
#include "scheduler/TaskScheduler.h"
#include "shell/ShellProgram.h"
#include "tasks/DatabaseCheck.h"
#include "tasks/TaskDatabaseState.h"
#include "tasks/TaskDialog.h"
#include "tasks/TaskGrid.h"
#include "tasks/TasksPage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

using namespace zelkor;
using Kind = DatabaseFinding::Kind;

namespace
{
constexpr int kManyRows = 2000;

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool overwrite(const QString& path, qint64 offset, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.seek(offset) &&
           file.write(bytes) == bytes.size();
}

bool fillReminders(const QString& database, int count)
{
    test::RawConnection raw(database);
    bool ok = raw.exec(QStringLiteral("BEGIN"));
    for (int i = 0; ok && i < count; ++i)
        ok =
            raw.exec(QStringLiteral(
                         "insert into task (type, action, starttime, fujia, description, sun, mon, "
                         "tue, wed, thu, fri, sat, state) values (2, 8, 0.5, 1, "
                         "'reminder number %1', 0, 0, 0, 0, 0, 0, 0, 1)")
                         .arg(i));
    return ok && raw.exec(QStringLiteral("COMMIT"));
}

// The start of a b-tree page in the middle of the file: its first byte says
// what kind of page it is.
qint64 middlePageOffset(const QString& database)
{
    const QByteArray header = bytesOf(database).left(100);
    const qint64 pageSize = (quint8(header[16]) << 8) | quint8(header[17]);
    const qint64 pages = QFileInfo(database).size() / pageSize;
    return pageSize * (pages / 2);
}

// Puts the file at `path` into the state `how` names. A lock is held by
// `locker` for as long as the caller keeps it.
void spoil(const QString& how, const QString& path, std::unique_ptr<test::RawConnection>& locker)
{
    if (how == QLatin1String("missing")) {
        QVERIFY(QFile::remove(path));
    } else if (how == QLatin1String("empty")) {
        QVERIFY(QFile::resize(path, 0));
    } else if (how == QLatin1String("random bytes")) {
        QByteArray noise(8192, Qt::Uninitialized);
        QRandomGenerator generator(14);
        for (char& c : noise)
            c = char(generator.bounded(256));
        QVERIFY(QFile::remove(path));
        QVERIFY(overwrite(path, 0, noise));
    } else if (how == QLatin1String("folder")) {
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
    } else if (how == QLatin1String("pipe")) {
        QVERIFY(QFile::remove(path));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (how == QLatin1String("no task table")) {
        test::RawConnection raw(path);
        QVERIFY(raw.exec(QStringLiteral("drop table task")));
        QVERIFY(raw.exec(QStringLiteral("create table notes (text TEXT)")));
    } else if (how == QLatin1String("bit flip")) {
        QVERIFY(fillReminders(path, kManyRows));
        const qint64 at = middlePageOffset(path);
        const char kind = bytesOf(path).at(at);
        QVERIFY(overwrite(path, at, QByteArray(1, char(kind ^ 0x08))));
    } else if (how == QLatin1String("64 bytes overwritten")) {
        QVERIFY(fillReminders(path, kManyRows));
        QVERIFY(overwrite(path, QFileInfo(path).size() / 2, QByteArray(64, 'Z')));
    } else if (how == QLatin1String("locked")) {
        locker = std::make_unique<test::RawConnection>(path);
        QVERIFY(locker->exec(QStringLiteral("BEGIN EXCLUSIVE")));
    } else {
        QVERIFY2(how == QLatin1String("usable"), qPrintable(how));
    }
}

// The main window after its start-up sequence: what it lists, and whether
// the next task is waited for.
int listed(const test::Program& p)
{
    return test::showTaskList(*p.window)->m_taskGrid->lines().rowCount();
}
bool polling(test::Program& p)
{
    return p.window->scheduler().isPolling();
}
} // namespace

class TstTaskDatabase : public test::ShellTest
{
    Q_OBJECT
private slots:
    void findsWhatIsWrong_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("kind");
        QTest::newRow("usable") << "usable" << int(Kind::Usable);
        QTest::newRow("missing") << "missing" << int(Kind::Missing);
        QTest::newRow("empty") << "empty" << int(Kind::Empty);
        QTest::newRow("random bytes") << "random bytes" << int(Kind::NotADatabase);
        QTest::newRow("folder") << "folder" << int(Kind::Folder);
        QTest::newRow("pipe") << "pipe" << int(Kind::NotAFile);
        QTest::newRow("no task table") << "no task table" << int(Kind::NoTaskTable);
        QTest::newRow("bit flip") << "bit flip" << int(Kind::Damaged);
        QTest::newRow("64 bytes overwritten") << "64 bytes overwritten" << int(Kind::Damaged);
        QTest::newRow("locked") << "locked" << int(Kind::Locked);
    }
    void findsWhatIsWrong()
    {
        QFETCH(QString, how);
        QFETCH(int, kind);
        test::TempProgramDir dir;
        std::unique_ptr<test::RawConnection> locker;
        spoil(how, dir.databasePath(), locker);
        QElapsedTimer clock;
        clock.start();
        const DatabaseFinding finding = checkTaskDatabase(dir.databasePath(), kTaskDatabaseBusyMs);
        QCOMPARE(int(finding.kind), kind);
        QVERIFY2(clock.elapsed() < 1000,
                 qPrintable(QString::number(clock.elapsed()))); // a lock too
        if (finding.kind == Kind::Damaged)
            QVERIFY(!finding.detail.isEmpty());
    }

    // Told once at start, in words naming the file and the trouble; the
    // passes after it tell nothing more, and a save is refused in plain words
    // without touching the file.
    void startTellsWhatIsWrongOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("words");
        QTest::newRow("missing") << "missing"
                                 << "the file is missing";
        QTest::newRow("empty") << "empty"
                               << "the file is empty";
        QTest::newRow("random bytes") << "random bytes"
                                      << "the file is not a database";
        QTest::newRow("folder") << "folder"
                                << "a folder stands where the file should be";
        QTest::newRow("pipe") << "pipe"
                              << "it is not a regular file";
        QTest::newRow("no task table") << "no task table"
                                       << "the database holds no task table";
        QTest::newRow("bit flip") << "bit flip"
                                  << "is damaged";
        QTest::newRow("64 bytes overwritten") << "64 bytes overwritten"
                                              << "is damaged";
    }
    void startTellsWhatIsWrongOnce()
    {
        QFETCH(QString, how);
        QFETCH(QString, words);
        test::Program p;
        std::unique_ptr<test::RawConnection> locker;
        spoil(how, p.dir.databasePath(), locker);
        const bool damaged =
            how.contains(QLatin1String("bit")) || how.contains(QLatin1String("bytes over"));
        const bool regular = QFileInfo(p.dir.databasePath()).isFile();
        const QByteArray before = regular ? bytesOf(p.dir.databasePath()) : QByteArray();

        p.start();
        QCOMPARE(MessageBox::shownCount(), 1);
        const QString told = MessageBox::lastText();
        QVERIFY2(told.contains(p.dir.databasePath()) && told.contains(words), qPrintable(told));
        if (damaged) {
            // What can be read is listed, and the way out is named.
            QVERIFY2(listed(p) > 0 && listed(p) < kManyRows,
                     qPrintable(QString::number(listed(p))));
            QVERIFY(told.contains(recoveryCommand(p.dir.databasePath())));
        } else {
            QCOMPARE(listed(p), 0);
        }
        p.window->refreshAfterTaskChange();
        p.window->refreshAfterTaskChange();
        QCOMPARE(MessageBox::shownCount(), 1);

        {
            TaskDialog dialog(TaskDialog::Mode::New, p.platform, p.state);
            dialog.onKindChosen(int(TaskType::Daily));
            MessageBox::setNextAnswer(QMessageBox::Ok);
            dialog.onOkClicked();
        }
        QCOMPARE(MessageBox::shownCount(), 2);
        const QString refusal = MessageBox::lastText();
        QVERIFY2(refusal.startsWith(QLatin1String("The task was not saved.")), qPrintable(refusal));
        QVERIFY2(refusal.contains(damaged ? recoveryCommand(p.dir.databasePath()) : words),
                 qPrintable(refusal));
        if (damaged) {
            p.window->tasksPage()->onRowPicked(0);
            MessageBox::setNextAnswers({QMessageBox::Yes, QMessageBox::Ok});
            p.window->tasksPage()->m_deleteButton->click();
            QVERIFY2(MessageBox::lastText().startsWith(QLatin1String("The task was not deleted.")),
                     qPrintable(MessageBox::lastText()));
        }
        if (regular)
            QVERIFY(bytesOf(p.dir.databasePath()) == before);
        if (damaged) {
            // The advice works: at least what was listed comes back, in a
            // file the program can use.
            QCOMPARE(
                QProcess::execute(QStringLiteral("bash"),
                                  {QStringLiteral("-c"), recoveryCommand(p.dir.databasePath())}),
                0);
            const QString recovered = recoveredPath(p.dir.databasePath());
            QCOMPARE(int(checkTaskDatabase(recovered, 0).kind), int(Kind::Usable));
            QVERIFY(test::rowCount(recovered) >= listed(p));
        }
    }

    // Another program locks the task file after the list was read: Edit and
    // Delete on a listed task say why they cannot, and change nothing.
    void commandsTellATaskFileLockedSinceTheList()
    {
        test::Program p;
        QVERIFY(test::addRow(p.dir.databasePath(),
                             {{"type", 2}, {"action", 6}, {"starttime", test::timeOfDay(18, 0)}}) > 0);
        p.start();
        QCOMPARE(listed(p), 1);
        p.window->tasksPage()->onRowPicked(0);
        std::unique_ptr<test::RawConnection> locker;
        spoil(QStringLiteral("locked"), p.dir.databasePath(), locker);
        const QByteArray before = bytesOf(p.dir.databasePath());
        MessageBox::setNextAnswer(QMessageBox::Ok);
        p.window->tasksPage()->m_editButton->click();
        QCOMPARE(MessageBox::shownCount(), 1);
        QVERIFY2(MessageBox::lastText().startsWith(QLatin1String("The task could not be opened.")) &&
                     MessageBox::lastText().contains(QLatin1String("locked")),
                 qPrintable(MessageBox::lastText()));
        MessageBox::setNextAnswers({QMessageBox::Yes, QMessageBox::Ok});
        p.window->tasksPage()->m_deleteButton->click();
        QCOMPARE(MessageBox::shownCount(), 3);
        QVERIFY2(MessageBox::lastText().startsWith(QLatin1String("The task was not deleted.")),
                 qPrintable(MessageBox::lastText()));
        locker.reset();
        QCOMPARE(bytesOf(p.dir.databasePath()), before);
    }

    // A lock held by another connection: the start is not held up, the tasks
    // come as soon as it goes, and only a lock that lasts is told.
    void lockIsWaitedOutInTheBackground_data()
    {
        QTest::addColumn<int>("releaseAfterMs"); // -1: only after it was told
        QTest::newRow("locked for 2 s") << 2000;
        QTest::newRow("locked for ever") << -1;
    }
    void lockIsWaitedOutInTheBackground()
    {
        QFETCH(int, releaseAfterMs);
        test::Program p;
        QVERIFY(test::addRow(p.dir.databasePath(),
                             {{"type", 2}, {"action", 6}, {"starttime", test::timeOfDay(18, 0)}}) >
                0);
        std::unique_ptr<test::RawConnection> locker;
        spoil(QStringLiteral("locked"), p.dir.databasePath(), locker);
        QElapsedTimer clock;
        clock.start();
        p.start();
        qInfo("start-up with the file locked: %lld ms", clock.elapsed());
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(listed(p), 0);
        QVERIFY(!polling(p));

        if (releaseAfterMs >= 0) {
            QTimer::singleShot(releaseAfterMs, [&locker] { locker.reset(); });
            QTRY_COMPARE_WITH_TIMEOUT(listed(p), 1, releaseAfterMs + 3000);
            QCOMPARE(MessageBox::shownCount(), 0);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(MessageBox::shownCount(), 1, 6000);
            QVERIFY2(
                MessageBox::lastText().contains(QLatin1String("another program holds it locked")) &&
                    MessageBox::lastText().contains(p.dir.databasePath()),
                qPrintable(MessageBox::lastText()));
            QCOMPARE(listed(p), 0);
            locker.reset();
            QTRY_COMPARE_WITH_TIMEOUT(listed(p), 1, 3000);
            QCOMPARE(MessageBox::shownCount(), 1);
        }
        QVERIFY(polling(p)); // the task will run
    }

    // Working at start, then gone: the next pass tells it; back, it works
    // again, and gone once more it is told once more.
    void laterPassTellsAgainAfterItWorked()
    {
        test::Program p;
        QVERIFY(test::addRow(p.dir.databasePath(),
                             {{"type", 2}, {"action", 6}, {"starttime", test::timeOfDay(18, 0)}}) >
                0);
        p.start();
        p.window->databaseState()->setRetryIntervalMs(50);
        QCOMPARE(MessageBox::shownCount(), 0);
        QCOMPARE(listed(p), 1);
        const QString away = p.dir.databasePath() + QStringLiteral(".away");

        for (int round = 1; round <= 2; ++round) {
            QVERIFY(QFile::rename(p.dir.databasePath(), away));
            p.window->refreshAfterTaskChange();
            QCOMPARE(MessageBox::shownCount(), round);
            QVERIFY2(MessageBox::lastText().contains(QLatin1String("the file is missing")),
                     qPrintable(MessageBox::lastText()));
            QCOMPARE(listed(p), 0);
            QVERIFY(!polling(p));
            p.window->refreshAfterTaskChange();
            QCOMPARE(MessageBox::shownCount(), round);

            QVERIFY(QFile::rename(away, p.dir.databasePath()));
            QTRY_COMPARE(listed(p), 1);
            QVERIFY(polling(p));
        }
    }
};

QTEST_MAIN(TstTaskDatabase)
#include "tst_taskdatabase.moc"
