#include "SchedulerRig.h"
#include "Zone.h"
#include "common/ActionKind.h"
#include "countdown/PowerOnCycle.h"
#include "countdown/WakeWaits.h"
#include "scheduler/ClockWatch.h"
#include "shell/MainWindow.h"

#include <QScopeGuard>
#include <QTest>
#include <QTimer>

using namespace zelkor;
using namespace zelkor::test;

namespace
{
const QDate kMonday(2026, 12, 7);

// The clock is set by `bySeconds` once `afterSeconds` of real time have passed.
struct ClockStep {
    int afterSeconds = 0;
    qint64 bySeconds = 0;
};

TaskRow powerOnRow(int type, const QVariant& start, const QString& target)
{
    TaskRow row = withText(taskRow(0, type, int(ActionKind::PowerOn), start), false, target);
    row.day = daynum::fromDate(kMonday);
    row.weekday[1] = 1; // Monday
    return row;
}
} // namespace

Q_DECLARE_METATYPE(QList<ClockStep>)

// The wall clock set while the program runs (a time server's step, a user's
// correction), told apart from time passing by the tick count: what waits for
// a wall-clock moment is chosen again from the new time, and nothing runs
// twice.
class TestClockStep : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(qgetenv("TZ"), QByteArray("Europe/Berlin")); }

    // A step is the wall clock moving more than a few seconds other than the
    // tick count, which goes on while the computer sleeps.
    void stepIsToldFromTimePassing_data()
    {
        QTest::addColumn<quint32>("startTick");
        QTest::addColumn<qint64>("wallMs");
        QTest::addColumn<qint64>("tickMs");
        QTest::addColumn<bool>("stepped");
        QTest::newRow("a second passes") << 5000u << qint64(1000) << qint64(1000) << false;
        QTest::newRow("a busy minute delays both")
            << 5000u << qint64(60000) << qint64(60000) << false;
        QTest::newRow("asleep for two hours")
            << 5000u << qint64(7200000) << qint64(7200000) << false;
        QTest::newRow("a time server's slew") << 5000u << qint64(1000) << qint64(3900) << false;
        QTest::newRow("set forward an hour") << 5000u << qint64(3601000) << qint64(1000) << true;
        QTest::newRow("set back an hour") << 5000u << qint64(-3599000) << qint64(1000) << true;
        QTest::newRow("set forward 4 s") << 5000u << qint64(5001) << qint64(1000) << true;
        QTest::newRow("across the tick count's wrap")
            << 0xFFFFF000u << qint64(8000) << qint64(8000) << false;
    }
    void stepIsToldFromTimePassing()
    {
        QFETCH(quint32, startTick);
        QFETCH(qint64, wallMs);
        QFETCH(qint64, tickMs);
        QFETCH(bool, stepped);
        ClockWatch watch;
        const QDateTime start = onMonday(10, 0);
        QVERIFY(!watch.stepped(start, startTick)); // the first look only takes note
        QCOMPARE(watch.stepped(start.addMSecs(wallMs), startTick + quint32(tickMs)), stepped);
        // The next look starts from there.
        QVERIFY(!watch.stepped(start.addMSecs(wallMs + 1000), startTick + quint32(tickMs) + 1000u));
    }

    // The zone changed under the program (a journey, the desktop's automatic
    // zone, a user's correction): its wall clock moved as if set, while the
    // clock's own changes of the year are time passing.
    void zoneChangeIsAStep_data()
    {
        QTest::addColumn<QDateTime>("firstUtc");
        QTest::addColumn<QByteArray>("newZone");
        QTest::addColumn<int>("shift"); // seconds the wall clock moved; 0: no step
        const QDateTime winter = utcAt(QDate(2026, 12, 7), QTime(9, 0));
        QTest::newRow("to London") << winter << QByteArray("Europe/London") << -3600;
        QTest::newRow("to New York") << winter << QByteArray("America/New_York") << -6 * 3600;
        QTest::newRow("to Kolkata, half an hour off") << winter << QByteArray("Asia/Kolkata") << 16200;
        QTest::newRow("to a zone of the same time") << winter << QByteArray("Europe/Paris") << 0;
        QTest::newRow("clocks go back in the zone")
            << utcAt(QDate(2026, 10, 25), QTime(0, 59, 59)) << QByteArray("Europe/Berlin") << 0;
        QTest::newRow("clocks go forward in the zone")
            << utcAt(QDate(2026, 3, 29), QTime(0, 59, 59)) << QByteArray("Europe/Berlin") << 0;
    }
    void zoneChangeIsAStep()
    {
        QFETCH(QDateTime, firstUtc);
        QFETCH(QByteArray, newZone);
        QFETCH(int, shift);
        const auto restore = qScopeGuard(useDefaultZone);
        ClockWatch watch;
        QVERIFY(!watch.stepped(localAt(firstUtc), 5000u));
        useZone(newZone);
        QCOMPARE(watch.stepped(localAt(firstUtc.addSecs(1)), 6000u), shift != 0);
        QCOMPARE(watch.zoneShiftSeconds(), shift);
        QVERIFY(!watch.stepped(localAt(firstUtc.addSecs(2)), 7000u));
        QCOMPARE(watch.zoneShiftSeconds(), 0);
    }

    // The main window's ticks, second by second, with the clock set between.
    void tasksAfterAStep_data()
    {
        QTest::addColumn<QList<TaskRow>>("rows");
        QTest::addColumn<QList<ClockStep>>("steps");
        QTest::addColumn<QStringList>("fired"); // wall-clock time and helper
        const int shutDown = int(ActionKind::ShutDown), lock = int(ActionKind::Lock);
        QTest::newRow("+3 h for 5 s and back")
            << QList<TaskRow>{onceRow(0, onMonday(10, 0, 25), shutDown),
                              dailyRow(0, QTime(10, 0, 35), lock)}
            << QList<ClockStep>{{2, 3 * 3600}, {7, -3 * 3600}}
            << QStringList{"10:00:25 guan_f.dll", "10:00:35 suo.dll"};
        QTest::newRow("-1 h for 5 s and forward again")
            << QList<TaskRow>{onceRow(0, onMonday(10, 0, 25), shutDown),
                              dailyRow(0, QTime(10, 0, 35), lock)}
            << QList<ClockStep>{{2, -3600}, {7, 3600}}
            << QStringList{"10:00:25 guan_f.dll", "10:00:35 suo.dll"};
        QTest::newRow("set back after a daily task ran")
            << QList<TaskRow>{dailyRow(0, QTime(10, 0, 5), lock)} << QList<ClockStep>{{10, -8}}
            << QStringList{"10:00:05 suo.dll"};
        QTest::newRow("set forward past a once task: the clock never shows it")
            << QList<TaskRow>{onceRow(0, onMonday(10, 0, 30), shutDown),
                              dailyRow(0, QTime(11, 0, 20), lock)}
            << QList<ClockStep>{{5, 3600}} << QStringList{"11:00:20 suo.dll"};
        QTest::newRow("set forward 40 days while nothing was near")
            << QList<TaskRow>{onceRow(0, QDateTime(kMonday.addDays(40), QTime(10, 0, 30)),
                                      shutDown)}
            << QList<ClockStep>{{5, 40 * 86400}} << QStringList{"10:00:30 guan_f.dll"};
        // In the tray nothing ticks while no task is near: the system's word
        // that the clock was set is all there is.
        QTest::newRow("in the tray, set forward 40 days")
            << QList<TaskRow>{onceRow(0, QDateTime(kMonday.addDays(40), QTime(10, 0, 30)),
                                      shutDown)}
            << QList<ClockStep>{{5, 40 * 86400}} << QStringList{"10:00:30 guan_f.dll"};
        QTest::newRow("in the tray, set back before a once task that had passed")
            << QList<TaskRow>{onceRow(0, onMonday(9, 0, 30), shutDown)}
            << QList<ClockStep>{{5, -3600}} << QStringList{"09:00:30 guan_f.dll"};
    }
    void tasksAfterAStep()
    {
        QFETCH(QList<TaskRow>, rows);
        QFETCH(QList<ClockStep>, steps);
        QFETCH(QStringList, fired);
        SchedulerRig rig;
        rig.platform.setNow(onMonday(10, 0));
        for (const TaskRow& row : rows)
            QVERIFY(rig.store(row) > 0);
        const bool inTray = QString::fromLatin1(QTest::currentDataTag()).startsWith(u"in the tray");
        MainWindow window(rig.platform, rig.state);
        QVERIFY(window.startUp());
        QStringList seen;
        for (int second = 1; second <= 60; ++second) {
            for (const ClockStep& step : steps)
                if (step.afterSeconds == second) {
                    rig.platform.stepClock(rig.platform.now().addSecs(step.bySeconds));
                    if (inTray)
                        rig.platform.clockWasSet();
                }
            rig.platform.advanceSecond();
            const qsizetype before = rig.platform.started.size();
            if (!inTray) // the clock on screen looks every second
                window.updateClock();
            window.fireDueTask();
            for (const QString& helper : rig.platform.started.mid(before))
                seen << rig.platform.now().toString(QStringLiteral("HH:mm:ss ")) +
                            helper.section(QLatin1Char('/'), -1);
        }
        QCOMPARE(seen, fired);
    }

    // A pending power-on wait counts real seconds from the old time: a step
    // arms it again for the task's moment on the new one.
    void powerOnAfterAStep_data()
    {
        QTest::addColumn<qint64>("bySeconds");
        QTest::addColumn<QList<qint64>>("armed");
        // The second count is taken 6 s after the first.
        QTest::newRow("forward 30 min") << qint64(1800) << QList<qint64>{3600, 1794};
        QTest::newRow("back 30 min") << qint64(-1800) << QList<qint64>{3600, 5394};
    }
    void powerOnAfterAStep()
    {
        QFETCH(qint64, bySeconds);
        QFETCH(QList<qint64>, armed);
        SchedulerRig rig;
        rig.platform.setNow(onMonday(10, 0));
        rig.store(powerOnRow(2, daynum::fromTime(QTime(11, 0)), QStringLiteral("/bin/eleven")));
        MainWindow window(rig.platform, rig.state);
        QVERIFY(window.startUp());
        bool ended = false;
        const auto end = [&] {
            QTimer::singleShot(0, &window, [&] {
                window.powerOn()->stop();
                ended = true;
            });
        };
        rig.platform.wake.onArm = [&](qint64) {
            if (rig.platform.wake.armed.size() > 1) {
                end();
                return;
            }
            QTimer::singleShot(0, &window, [&] {
                rig.platform.advance(5);
                window.updateClock();
                rig.platform.stepClock(rig.platform.now().addSecs(bySeconds));
                rig.platform.advanceSecond();
                window.updateClock();
                // Without a new arming the wait would go on: end it for the test.
                QTimer::singleShot(100, &window, end);
            });
        };
        QTRY_VERIFY(ended && !window.powerOn()->isRunning());
        QCOMPARE(rig.platform.wake.armed, armed);
        QVERIFY(rig.platform.opened.isEmpty());
    }

    // The power-on search keeps a record of what ran, as the scheduler does:
    // a clock set back past a Power On that ran does not run it again.
    void powerOnDoesNotRunTwiceAfterTheClockIsSetBack_data()
    {
        QTest::addColumn<TaskRow>("row"); // due at 09:00 on Monday
        QTest::newRow("once") << powerOnRow(1, daynum::fromDateTime(onMonday(9, 0)),
                                            QStringLiteral("/bin/nine"));
        QTest::newRow("daily") << powerOnRow(2, daynum::fromTime(QTime(9, 0)),
                                             QStringLiteral("/bin/nine"));
        QTest::newRow("monthly") << powerOnRow(3, daynum::fromTime(QTime(9, 0)),
                                               QStringLiteral("/bin/nine"));
        QTest::newRow("weekly") << powerOnRow(4, daynum::fromTime(QTime(9, 0)),
                                              QStringLiteral("/bin/nine"));
    }
    void powerOnDoesNotRunTwiceAfterTheClockIsSetBack()
    {
        QFETCH(TaskRow, row);
        SchedulerRig rig;
        rig.platform.setNow(onMonday(8, 0));
        rig.store(row);
        rig.store(powerOnRow(2, daynum::fromTime(QTime(12, 0)), QStringLiteral("/bin/noon")));
        WakeWaits waits(rig.platform);
        PowerOnCycle cycle(rig.platform, rig.state, rig.actions, waits);
        // 09:00 comes and runs; waiting for noon, the clock is set back to
        // 08:30 and the search runs again, as after any change.
        rig.platform.wake.onArm = [&](qint64 seconds) {
            switch (rig.platform.wake.armed.size()) {
            case 1:
                rig.platform.advance(seconds);
                rig.platform.wake.fireLater();
                break;
            case 2:
                QTimer::singleShot(0, &cycle, [&] {
                    rig.platform.stepClock(onMonday(8, 30));
                    cycle.start();
                });
                break;
            default:
                QTimer::singleShot(0, &cycle, &PowerOnCycle::stop);
            }
        };
        cycle.start();
        QTRY_VERIFY(cycle.cycles() > 0 && !cycle.isRunning());
        QCOMPARE(rig.platform.opened, QStringList{"/bin/nine"});
        QCOMPARE(rig.platform.wake.armed, QList<qint64>({3600, 3 * 3600, 3 * 3600 + 1800}));
    }
};

QTEST_MAIN(TestClockStep)
#include "tst_clockstep.moc"
