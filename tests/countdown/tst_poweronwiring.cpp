#include "common/ActionKind.h"
#include "common/DayNumber.h"
#include "countdown/CountdownMath.h"
#include "countdown/TimerTab.h"
#include "scheduler/TaskScheduler.h"
#include "shell/MessageBox.h"
#include "countdown/PowerOnCycle.h"
#include "countdown/WakeWaits.h"
#include "platform/fake/FakePlatform.h"
#include "shell/MainWindow.h"
#include "support/TaskTable.h"
#include "support/TempProgramDir.h"
#include "support/Zone.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

using namespace zelkor;

namespace {
void addDailyPowerOn(const QString& database, QTime time, const QString& target)
{
    QVERIFY(test::addRow(database, {{"type", 2},
                                    {"action", 7},
                                    {"starttime", daynum::fromTime(time)},
                                    {"fujia", 0},
                                    {"description", target},
                                    {"state", 1}}) > 0);
}
} // namespace

// The power-on cycle inside the main window: started at load, restarted by a
// task change, ended by Exit.
class TestPowerOnWiring : public QObject {
    Q_OBJECT
private slots:
    void startTaskChangeAndExit()
    {
        test::TempProgramDir dir;
        QVERIFY(dir.isValid());
        addDailyPowerOn(dir.databasePath(), QTime(9, 0), QStringLiteral("/bin/nine"));
        FakePlatform platform;
        AppState state;
        state.paths = portablePaths(dir.path());
        MainWindow window(platform, state);
        QVERIFY(window.startUp());
        QVERIFY(window.powerOn()->m_cycleTimer->isActive());

        QStringList steps;
        platform.wake.onArm = [&](qint64 seconds) {
            steps << QStringLiteral("armed %1").arg(seconds);
            if (steps.size() == 1) {
                QTimer::singleShot(5, [&] {
                    addDailyPowerOn(dir.databasePath(), QTime(8, 30), QStringLiteral("/bin/half"));
                    window.refreshAfterTaskChange();
                    steps << (window.powerOn()->m_cycleTimer->isActive()
                                  ? QStringLiteral("searching again")
                                  : QStringLiteral("not searching"));
                });
            } else {
                QTimer::singleShot(5, [&] { window.exitProgram(); });
            }
        };
        QTRY_VERIFY(state.exitRequested && !window.powerOn()->isRunning());
        QCOMPARE(steps, QStringList({"armed 3600", "searching again", "armed 1800"}));
        QVERIFY(platform.opened.isEmpty());
        QVERIFY(!platform.wake.isArmed());
        QVERIFY(!window.powerOn()->m_cycleTimer->isActive());
    }

    // The wall clock set past the Timer tab's Power On: its target opens at
    // once, not after the real seconds counted from the old time.
    void clockSetPastTheTabPowerOn()
    {
        test::TempProgramDir dir;
        QVERIFY(dir.isValid());
        FakePlatform platform;
        AppState state;
        state.paths = portablePaths(dir.path());
        MainWindow window(platform, state);
        QVERIFY(window.startUp());
        MessageBox::setNextAnswer(QMessageBox::Ok); // the announcement
        window.timerTab()->startRemote(countdown::After, 600, int(ActionKind::PowerOn), false,
                                       QStringLiteral("/bin/tab"));
        QTRY_COMPARE(platform.wake.armed, QList<qint64>{600});
        platform.stepClock(platform.now().addSecs(900));
        window.scheduler().onClockSet();
        QCOMPARE(platform.wake.armed, (QList<qint64>{600, 0}));
        platform.wake.fire();
        QTRY_COMPARE(platform.opened, QStringList{"/bin/tab"});
    }

    // A new time zone that shows a Power On's wall-clock second again (a
    // journey west) does not run it twice that day.
    void zoneChangeDoesNotRunAPowerOnTwice()
    {
        const auto restore = qScopeGuard(test::useDefaultZone);
        test::TempProgramDir dir;
        QVERIFY(dir.isValid());
        addDailyPowerOn(dir.databasePath(), QTime(8, 0), QStringLiteral("/bin/eight"));
        FakePlatform platform;
        platform.setNow(QDateTime(QDate(2026, 12, 7), QTime(7, 59, 50)));
        AppState state;
        state.paths = portablePaths(dir.path());
        MainWindow window(platform, state);
        QVERIFY(window.startUp());
        QTRY_COMPARE(platform.wake.armed, QList<qint64>{10});
        platform.advance(10);
        platform.wake.fire();
        QTRY_COMPARE(platform.opened, QStringList{"/bin/eight"});
        const QDateTime instant = platform.now().toUTC();
        test::useZone("Europe/London"); // the clock shows 07:00 again
        platform.stepClock(instant.toLocalTime());
        const qsizetype armings = platform.wake.armed.size();
        window.scheduler().onClockSet();
        QTRY_VERIFY(platform.wake.armed.size() > armings);
        QCOMPARE(platform.wake.armed.last(), 25 * 3600); // from 07:00 to tomorrow's 08:00
    }

    void dateAndTimePickersShowTheStartUpTime()
    {
        test::TempProgramDir dir;
        FakePlatform platform;
        platform.setNow(QDateTime(QDate(2027, 2, 3), QTime(4, 5, 6)));
        AppState state;
        state.paths = portablePaths(dir.path());
        MainWindow window(platform, state);
        QVERIFY(window.startUp());
        const auto* date = window.findChild<QDateTimeEdit*>(QStringLiteral("DTPicker2"));
        const auto* time = window.findChild<QDateTimeEdit*>(QStringLiteral("DTPicker3"));
        QVERIFY(date && time);
        QCOMPARE(date->date(), QDate(2027, 2, 3));
        QCOMPARE(time->time(), QTime(4, 5, 6));
    }
};

QTEST_MAIN(TestPowerOnWiring)
#include "tst_poweronwiring.moc"
