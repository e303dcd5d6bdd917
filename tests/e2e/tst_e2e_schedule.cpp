#include "ProgramCopy.h"

#include <QDirIterator>
#include <QTest>

using zelkor::test::ProgramCopy;
using zelkor::test::timeOfDay;

namespace {

double dayNumber(const QDateTime& t)
{
    return QDate(1899, 12, 30).daysTo(t.date()) + timeOfDay(t);
}

// libfaketime (Debian package faketime), which fakes a program's wall clock.
QString fakeTimeLibrary()
{
    QDirIterator it(QStringLiteral("/usr/lib"), {QStringLiteral("libfaketime.so.1")}, QDir::Files,
                    QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

bool writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

} // namespace

class TestE2eSchedule : public QObject {
    Q_OBJECT
private slots:
    void dailyTaskStartsItsHelperAtItsSecond()
    {
        ProgramCopy program;
        QVERIFY(program.isValid());
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime due = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + 3);
        QVERIFY(program.insert(QStringLiteral("insert into task (type, action, starttime, fujia, description,"
                                              " sun, mon, tue, wed, thu, fri, sat, state)"
                                              " values (2, 1, ?, 0, '', 0, 0, 0, 0, 0, 0, 0, 1)"),
                               {timeOfDay(due)}));
        program.start();
        QTRY_VERIFY_WITH_TIMEOUT(!program.starts().isEmpty(), 7000);
        QTest::qWait(1500); // and not again
        QVERIFY(program.running());
        program.stop();
        const auto starts = program.starts();
        QCOMPARE(starts.size(), 1);
        QCOMPARE(starts.first().first, QStringLiteral("guan_f.dll")); // "Force" is checked at first start
        // What the program sets for its own display connection stays its own.
        const QByteArray environment = program.helperEnvironment("guan_f.dll");
        QVERIFY2(environment.contains("\nPATH=") || environment.startsWith("PATH="), environment.constData());
        QVERIFY2(!environment.contains("QT_XCB_NO_MITSHM"), environment.constData());
        const double lateness = starts.first().second - double(due.toSecsSinceEpoch());
        qInfo("helper started %.1f ms after its second", lateness * 1000);
        QVERIFY2(lateness >= 0 && lateness < 1.0, qPrintable(QString::number(lateness)));
    }

    // The wall clock set three hours forward for a moment and back again (a
    // time server's step, a user's slip): a Once and a Daily task due after
    // it each run once, at their own second.
    void tasksAfterAClockStepRunOnceAtTheirSecond()
    {
        const QString library = fakeTimeLibrary();
        QVERIFY2(!library.isEmpty(), "libfaketime is missing (Debian package faketime)");
        ProgramCopy program;
        QVERIFY(program.isValid());
        const QString offset = program.app() + QStringLiteral("/faketime.rc");
        QVERIFY(writeFile(offset, "+0\n"));
        const QDateTime start = QDateTime::currentDateTime();
        const QDateTime once = QDateTime::fromSecsSinceEpoch(start.toSecsSinceEpoch() + 6);
        const QDateTime daily = once.addSecs(1);
        QVERIFY(program.insert(
            QStringLiteral("insert into task (type, action, starttime, fujia, description,"
                           " sun, mon, tue, wed, thu, fri, sat, state)"
                           " values (?, ?, ?, 0, '', 0, 0, 0, 0, 0, 0, 0, 1)"),
            {1, 1, dayNumber(once)}));
        QVERIFY(program.insert(
            QStringLiteral("insert into task (type, action, starttime, fujia, description,"
                           " sun, mon, tue, wed, thu, fri, sat, state)"
                           " values (?, ?, ?, 0, '', 0, 0, 0, 0, 0, 0, 0, 1)"),
            {2, 2, timeOfDay(daily)}));
        QProcessEnvironment env;
        env.insert(QStringLiteral("LD_PRELOAD"), library);
        env.insert(QStringLiteral("FAKETIME_TIMESTAMP_FILE"), offset);
        env.insert(QStringLiteral("FAKETIME_NO_CACHE"), QStringLiteral("1"));
        // The tick count and the event loop's timers keep the true time.
        env.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
        program.start(env);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(program.lockFile()), 3000);
        QTest::qWait(1000); // a tick or two on the true time
        QVERIFY(writeFile(offset, "+3h\n"));
        QTest::qWait(1200);
        QVERIFY(writeFile(offset, "+0\n"));
        const qint64 stepEnded = QDateTime::currentMSecsSinceEpoch();
        QVERIFY2(stepEnded < once.toMSecsSinceEpoch() - 500, "the program took too long to start");
        QTest::qWait(int(daily.toMSecsSinceEpoch() - stepEnded) + 1500);
        QVERIFY(program.running());
        program.stop();
        const auto starts = program.starts();
        QStringList names;
        for (const auto& s : starts)
            names << s.first;
        QCOMPARE(names, QStringList({"guan_f.dll", "res_f.dll"}));
        const double onceLate = starts[0].second - double(once.toSecsSinceEpoch());
        const double dailyLate = starts[1].second - double(daily.toSecsSinceEpoch());
        QVERIFY2(onceLate >= 0 && onceLate < 1.0, qPrintable(QString::number(onceLate)));
        QVERIFY2(dailyLate >= 0 && dailyLate < 1.0, qPrintable(QString::number(dailyLate)));
    }

    // Started inside the period: warned first, for the warning's lead, then
    // the shut-down helper every second.
    void forbiddenPeriodStartsTheShutDownHelperEverySecond()
    {
        ProgramCopy program;
        QVERIFY(program.isValid());
        QVERIFY(program.setWarnSeconds(2));
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(program.insert(QStringLiteral("insert into task (type, action, starttime, stoptime, state)"
                                              " values (0, 1, ?, ?, 1)"),
                               {timeOfDay(now.addSecs(-3600)), timeOfDay(now.addSecs(3600))}));
        const double started = double(QDateTime::currentMSecsSinceEpoch()) / 1000;
        program.start();
        QTRY_VERIFY_WITH_TIMEOUT(program.starts().size() >= 3, 12000);
        program.stop();
        const auto starts = program.starts();
        QVERIFY2(starts[0].second >= started + 1.9, qPrintable(QString::number(starts[0].second - started)));
        for (qsizetype i = 1; i < starts.size(); ++i) {
            const qint64 second = qint64(starts[i].second);
            QCOMPARE(second, qint64(starts[i - 1].second) + 1); // one start in each second
        }
        for (const auto& start : starts)
            QCOMPARE(start.first, QStringLiteral("guan_f.dll"));
    }
};

QTEST_GUILESS_MAIN(TestE2eSchedule)
#include "tst_e2e_schedule.moc"
