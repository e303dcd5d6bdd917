#include "TimerTabRig.h"
#include "common/DateText.h"
#include "countdown/PowerOnCycle.h"
#include "scheduler/SchedulerRig.h"
#include "scheduler/TaskScheduler.h"
#include "support/TaskTable.h"
#include "support/Zone.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

using namespace zelkor;
using namespace zelkor::test;

namespace
{
const QByteArray kBerlin("Europe/Berlin");
const QByteArray kNewYork("America/New_York");

// A task due at a wall-clock date and time, as the task dialog stores it.
TaskRow onceAtWall(QDate date, QTime time)
{
    return taskRow(1, int(TaskType::Once), int(ActionKind::Lock),
                   daynum::fromDate(date) + daynum::fromTime(time));
}
} // namespace

// The hours the clocks skip or show twice, in both zones the program is tested
// in: a moment whose first showing has passed is still due at its second, and
// a date and time is counted in real seconds.
class TestClockChange : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { useDefaultZone(); }

    // The power-on search seen in the hour shown twice: armed for the
    // showing still to come, never for a moment already past.
    void powerOnSearchInTheRepeatedHour_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("now"); // UTC
        QTest::addColumn<QTime>("daily");
        QTest::addColumn<qint64>("armed");
        const QDate berlin26(2026, 10, 25), berlin27(2027, 10, 31);
        const QDate newYork26(2026, 11, 1), newYork27(2027, 11, 7);
        QTest::newRow("Berlin, 02:10 second showing, daily 02:30")
            << kBerlin << utcAt(berlin26, QTime(1, 10)) << QTime(2, 30) << qint64(1200);
        QTest::newRow("Berlin, 02:10 first showing, daily 02:30")
            << kBerlin << utcAt(berlin26, QTime(0, 10)) << QTime(2, 30) << qint64(1200);
        QTest::newRow("Berlin 2027, 02:10 second showing, daily 02:59:59")
            << kBerlin << utcAt(berlin27, QTime(1, 10)) << QTime(2, 59, 59) << qint64(2999);
        QTest::newRow("Berlin, 02:40 second showing: tomorrow")
            << kBerlin << utcAt(berlin26, QTime(1, 40)) << QTime(2, 30) << qint64(85800);
        QTest::newRow("New York, 01:10 second showing, daily 01:30")
            << kNewYork << utcAt(newYork26, QTime(6, 10)) << QTime(1, 30) << qint64(1200);
        QTest::newRow("New York 2027, 01:10 second showing, daily 01:45")
            << kNewYork << utcAt(newYork27, QTime(6, 10)) << QTime(1, 45) << qint64(2100);
    }
    void powerOnSearchInTheRepeatedHour()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, now);
        QFETCH(QTime, daily);
        QFETCH(qint64, armed);
        useZone(zone);
        SchedulerRig rig;
        rig.platform.setNow(localAt(now));
        rig.store(withText(dailyRow(0, daily, int(ActionKind::PowerOn)), false,
                           QStringLiteral("/bin/wake")));
        WakeWaits waits(rig.platform);
        PowerOnCycle cycle(rig.platform, rig.state, rig.actions, waits);
        rig.platform.wake.onArm = [&](qint64) {
            QTimer::singleShot(0, &cycle, &PowerOnCycle::stop);
        };
        cycle.start();
        QTRY_VERIFY(cycle.cycles() > 0 && !cycle.isRunning());
        QCOMPARE(rig.platform.wake.armed, QList<qint64>{armed});
        QVERIFY(rig.platform.opened.isEmpty());
    }

    // The Timer tab's Power On at a date and time in the hour shown twice is
    // announced and armed for the showing to come.
    void timerTabPowerOnInTheRepeatedHour_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("now");  // UTC
        QTest::addColumn<QDateTime>("wall"); // the date and time chosen, as the pickers show it
        QTest::addColumn<qint64>("armed");
        QTest::newRow("Berlin") << kBerlin << utcAt(QDate(2026, 10, 25), QTime(1, 10))
                                << QDateTime(QDate(2026, 10, 25), QTime(2, 30)) << qint64(1200);
        QTest::newRow("New York") << kNewYork << utcAt(QDate(2027, 11, 7), QTime(6, 10))
                                  << QDateTime(QDate(2027, 11, 7), QTime(1, 30)) << qint64(1200);
    }
    void timerTabPowerOnInTheRepeatedHour()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, wall);
        QFETCH(qint64, armed);
        useZone(zone);
        TimerTabRig rig;
        rig.platform.setNow(localAt(now));
        rig.chooseAction(ActionKind::PowerOn);
        rig.chooseMoment(wall.date(), wall.time());
        rig.platform.wake.onArm = [&](qint64) { rig.platform.wake.fireLater(); };
        rig.start();
        QCOMPARE(rig.platform.wake.armed, QList<qint64>{armed});
        const QString announced = datetext::general(localAt(now).addSecs(armed));
        QVERIFY2(MessageBox::lastText().startsWith(announced), qPrintable(MessageBox::lastText()));
    }

    // A Timer tab countdown to a date and time across a clock change counts
    // real seconds, so the action comes at the moment chosen.
    void timerTabCountsRealSecondsToADateAndTime_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("now"); // UTC
        QTest::addColumn<QDateTime>("wall");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("Berlin spring, 21:00 to 07:00")
            << kBerlin << utcAt(QDate(2026, 3, 28), QTime(20, 0))
            << QDateTime(QDate(2026, 3, 29), QTime(7, 0)) << qint64(32400);
        QTest::newRow("Berlin autumn, 21:00 to 07:00")
            << kBerlin << utcAt(QDate(2026, 10, 24), QTime(19, 0))
            << QDateTime(QDate(2026, 10, 25), QTime(7, 0)) << qint64(39600);
        QTest::newRow("Berlin 2027 spring, into the skipped hour")
            << kBerlin << utcAt(QDate(2027, 3, 28), QTime(0, 0))
            << QDateTime(QDate(2027, 3, 28), QTime(2, 30)) << qint64(5400);
        QTest::newRow("Berlin, in the repeated hour")
            << kBerlin << utcAt(QDate(2026, 10, 25), QTime(1, 10))
            << QDateTime(QDate(2026, 10, 25), QTime(2, 30)) << qint64(1200);
        QTest::newRow("New York spring, 21:00 to 07:00")
            << kNewYork << utcAt(QDate(2026, 3, 8), QTime(2, 0))
            << QDateTime(QDate(2026, 3, 8), QTime(7, 0)) << qint64(32400);
        QTest::newRow("New York 2027 autumn, 21:00 to 07:00")
            << kNewYork << utcAt(QDate(2027, 11, 7), QTime(1, 0))
            << QDateTime(QDate(2027, 11, 7), QTime(7, 0)) << qint64(39600);
    }
    void timerTabCountsRealSecondsToADateAndTime()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, wall);
        QFETCH(qint64, seconds);
        useZone(zone);
        TimerTabRig rig;
        rig.platform.setNow(localAt(now));
        rig.chooseAction(ActionKind::EventsRemind);
        rig.chooseMoment(wall.date(), wall.time());
        rig.start();
        QCOMPARE(rig.tab.remainSeconds(), seconds);
        QCOMPARE(rig.tab.m_remainLabel->text(),
                 QStringLiteral("%1 seconds remaining").arg(seconds));
    }

    // A new time zone while counting to a date and time: the count ends at
    // that date and time on the new zone's clock, at once when it has passed.
    void timerTabDateFollowsANewZone_data()
    {
        QTest::addColumn<QByteArray>("newZone");
        QTest::addColumn<QTime>("moment"); // chosen at 10:00 in Berlin
        QTest::addColumn<QTime>("ended");  // on the new zone's clock
        QTest::newRow("west, to London") << QByteArray("Europe/London") << QTime(11, 0) << QTime(11, 0);
        QTest::newRow("east, to Helsinki") << QByteArray("Europe/Helsinki") << QTime(12, 0) << QTime(12, 0);
        QTest::newRow("east, past the moment")
            << QByteArray("Europe/Helsinki") << QTime(10, 30) << QTime(11, 0, 11);
    }
    void timerTabDateFollowsANewZone()
    {
        QFETCH(QByteArray, newZone);
        QFETCH(QTime, moment);
        QFETCH(QTime, ended);
        const QDate day(2026, 12, 7);
        TimerTabRig rig;
        rig.platform.setNow(QDateTime(day, QTime(10, 0)));
        rig.chooseAction(ActionKind::EventsRemind);
        rig.chooseMoment(day, moment);
        rig.start();
        for (int i = 0; i < 10; ++i) {
            rig.platform.advanceSecond();
            rig.tab.onCountdownTick();
        }
        // The moment goes on; the wall clock shows it in the new zone.
        const QDateTime instant = rig.platform.now().toUTC();
        useZone(newZone);
        rig.platform.stepClock(instant.toLocalTime());
        rig.tab.followClockStep();
        for (int i = 0; i < 3 * 3600 && rig.tab.isCounting(); ++i) {
            rig.platform.advanceSecond();
            rig.tab.onCountdownTick();
        }
        QVERIFY(!rig.tab.isCounting());
        QCOMPARE(rig.platform.now(), QDateTime(day, ended));
    }

    // The selection pass in the hour shown twice: a task whose first showing
    // passed unfired comes at its second showing; one that fired at its first
    // does not come again.
    void selectionInTheRepeatedHour_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("now"); // UTC
        QTest::addColumn<TaskRow>("row");
        QTest::addColumn<QList<QDateTime>>("firings"); // UTC
        const QDate berlin(2026, 10, 25), newYork26(2026, 11, 1), newYork27(2027, 11, 7);
        const QDateTime berlinSecond = utcAt(berlin, QTime(1, 10)),
                        berlinFirst = utcAt(berlin, QTime(0, 10));
        const QTime half(2, 30);
        const int lock = int(ActionKind::Lock);
        QTest::newRow("Berlin once, second showing")
            << kBerlin << berlinSecond << onceAtWall(berlin, half)
            << QList{utcAt(berlin, QTime(1, 30))};
        QTest::newRow("Berlin daily, second showing")
            << kBerlin << berlinSecond << dailyRow(1, half, lock)
            << QList{utcAt(berlin, QTime(1, 30))};
        QTest::newRow("Berlin weekly on Sunday, second showing")
            << kBerlin << berlinSecond << weeklyRow(1, half, {1}, lock)
            << QList{utcAt(berlin, QTime(1, 30))};
        QTest::newRow("Berlin monthly on the 25th, second showing")
            << kBerlin << berlinSecond << monthlyRow(1, half, QDate(2026, 1, 25), lock)
            << QList{utcAt(berlin, QTime(1, 30))};
        QTest::newRow("Berlin daily, first showing: once only")
            << kBerlin << berlinFirst << dailyRow(1, half, lock)
            << QList{utcAt(berlin, QTime(0, 30))};
        QTest::newRow("Berlin once, first showing: once only")
            << kBerlin << berlinFirst << onceAtWall(berlin, half)
            << QList{utcAt(berlin, QTime(0, 30))};
        QTest::newRow("New York once, second showing")
            << kNewYork << utcAt(newYork26, QTime(6, 10)) << onceAtWall(newYork26, QTime(1, 30))
            << QList{utcAt(newYork26, QTime(6, 30))};
        QTest::newRow("New York 2027 daily, second showing")
            << kNewYork << utcAt(newYork27, QTime(6, 10)) << dailyRow(1, QTime(1, 30), lock)
            << QList{utcAt(newYork27, QTime(6, 30))};
        QTest::newRow("New York daily, first showing: once only")
            << kNewYork << utcAt(newYork26, QTime(5, 10)) << dailyRow(1, QTime(1, 30), lock)
            << QList{utcAt(newYork26, QTime(5, 30))};
    }
    void selectionInTheRepeatedHour()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, now);
        QFETCH(TaskRow, row);
        QFETCH(QList<QDateTime>, firings);
        useZone(zone);
        SchedulerRig rig;
        rig.platform.setNow(localAt(now));
        rig.store(row);
        TaskScheduler scheduler(rig.platform, rig.state, rig.actions);
        scheduler.selectNextTask();
        // Second by second through both showings and beyond.
        QList<QDateTime> fired;
        for (int i = 0; i < 3 * 3600; ++i) {
            rig.platform.advanceSecond();
            const qsizetype before = rig.platform.started.size();
            scheduler.fireDueTask();
            if (rig.platform.started.size() > before)
                fired << rig.platform.now().toUTC();
        }
        QCOMPARE(fired, firings);
    }
};

QTEST_MAIN(TestClockChange)
#include "tst_clockchange.moc"
