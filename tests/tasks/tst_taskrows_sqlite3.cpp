// Rows written by the task dialog, read back by the sqlite3 program: the file
// holds what any other reader of the table expects.
#include "TaskFixtures.h"
#include "platform/fake/FakePlatform.h"
#include "shell/MessageBox.h"
#include "support/TempProgramDir.h"
#include "tasks/TaskDialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimeEdit>

using namespace zelkor;

using Filling = std::function<void(TaskDialog&)>;
Q_DECLARE_METATYPE(Filling)

namespace {
// Day numbers count from 1899-12-30, which is Julian day 2415018.5; sqlite3's
// date functions take Julian days, so they read the stored wall-clock digits.
const QString kJulian = QStringLiteral("2415018.5");

void chooseAction(TaskDialog& d, int action)
{
    d.m_actionCombo->setCurrentIndex(action - 1);
    d.onActionChosen();
}
} // namespace

class TestTaskRowsSqlite3 : public QObject {
    Q_OBJECT
private:
    QString m_sqlite3;

    QString sqlite3(const QString& database, const QString& sql)
    {
        QProcess p;
        p.start(m_sqlite3, {QStringLiteral("-separator"), QStringLiteral("|"), QStringLiteral("-nullvalue"),
                            QStringLiteral("NULL"), database, sql});
        if (!p.waitForFinished(10000) || p.exitCode() != 0)
            return QStringLiteral("sqlite3 failed: ") + QString::fromUtf8(p.readAllStandardError());
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

private slots:
    void initTestCase()
    {
        m_sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        QVERIFY2(!m_sqlite3.isEmpty(), "the sqlite3 program is needed (it also builds the database)");
    }

    void rowsAsAnotherReaderSeesThem_data()
    {
        QTest::addColumn<Filling>("fill");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expected");

        const QString all = QStringLiteral("select * from task");
        QTest::newRow("weekly Mon Wed Fri 23:00 shut down")
            << Filling([](TaskDialog& d) {
                   d.m_kindButtons[4]->click();
                   d.m_dayButtons[2]->click(); // Tue up
                   d.m_dayButtons[4]->click(); // Thu up
                   d.m_timeOfDayEdit->setTime(QTime(23, 0, 0));
                   chooseAction(d, 1);
                   d.m_targetEdit->setText(QStringLiteral("ignored for shut down"));
               })
            // id|type|action|starttime|stoptime|day|targetMode|description|Sun..Sat at 8..14|state
            << all << "1|4|1|0.958333333333333|NULL|NULL|NULL|NULL|0|1|0|1|0|1|0|1";
        QTest::newRow("weekly start is a time of day")
            << Filling([](TaskDialog& d) {
                   d.m_kindButtons[4]->click();
                   d.m_timeOfDayEdit->setTime(QTime(23, 0, 0));
               })
            << QStringLiteral(
                   "select typeof(starttime), starttime < 1, time(starttime + %1) from task")
                   .arg(kJulian)
            << "real|1|23:00:00";
        QTest::newRow("once message")
            << Filling([](TaskDialog& d) {
                   d.m_kindButtons[1]->click();
                   d.m_onceDateEdit->setDate(QDate(2026, 12, 6));
                   d.m_timeOfDayEdit->setTime(QTime(14, 30, 0));
                   chooseAction(d, 8);
                   d.m_targetModeCombo->setCurrentIndex(1);
                   d.m_targetEdit->setText(QStringLiteral("  Meeting at two  "));
               })
            << QStringLiteral(
                   "select type, action, datetime(starttime + %1), fujia, description, state, "
                   "stoptime, day from task")
                   .arg(kJulian)
            << "1|8|2026-12-06 14:30:00|1|Meeting at two|1|NULL|NULL";
        QTest::newRow("monthly on the 15th")
            << Filling([](TaskDialog& d) {
                   d.m_kindButtons[3]->click();
                   d.m_monthDayEdit->setDate(QDate(2026, 1, 15));
                   d.m_timeOfDayEdit->setTime(QTime(8, 0, 0));
                   chooseAction(d, 2);
               })
            << QStringLiteral("select type, action, strftime('%d', day + %1), time(starttime + "
                              "%1), starttime < 1 "
                              "from task")
                   .arg(kJulian)
            << "3|2|15|08:00:00|1";
        QTest::newRow("forbidden period")
            << Filling([](TaskDialog& d) {
                   d.m_kindButtons[0]->click();
                   d.m_periodStartEdit->setTime(QTime(22, 0, 0));
                   d.m_periodEndEdit->setTime(QTime(6, 30, 0));
               })
            << QStringLiteral("select type, action, time(starttime + %1), time(stoptime + %1), "
                              "day, fujia from task")
                   .arg(kJulian)
            << "0|5|22:00:00|06:30:00|NULL|NULL";
        QTest::newRow("power on launching a file") << Filling([](TaskDialog& d) {
            d.m_kindButtons[2]->click();
            d.m_timeOfDayEdit->setTime(QTime(7, 0, 0));
            chooseAction(d, 7);
            d.setFileChooser([](QWidget*) { return QStringLiteral("/home/u/music/wake up.ogg"); });
            d.m_browseButton->click();
        }) << QStringLiteral("select type, action, fujia, description from task")
                                                   << "2|7|0|/home/u/music/wake up.ogg";
    }
    void rowsAsAnotherReaderSeesThem()
    {
        QFETCH(Filling, fill);
        QFETCH(QString, query);
        QFETCH(QString, expected);
        test::TempProgramDir dir;
        FakePlatform platform;
        platform.setNow(test::fixedNow());
        AppState state;
        state.paths = portablePaths(dir.path());
        MessageBox::resetTestState();
        MessageBox::setNextAnswer(QMessageBox::Ok); // a refusal would show a box; it must not hang the test
        TaskDialog dialog(TaskDialog::Mode::New, platform, state);
        fill(dialog);
        dialog.m_okButton->click();
        QCOMPARE(MessageBox::shownCount(), 0);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(sqlite3(dir.databasePath(), query), expected);
    }
};

QTEST_MAIN(TestTaskRowsSqlite3)
#include "tst_taskrows_sqlite3.moc"
