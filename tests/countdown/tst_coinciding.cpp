#include "TimerTabRig.h"
#include "countdown/PowerOnCycle.h"
#include "scheduler/SchedulerRig.h"
#include "scheduler/TaskScheduler.h"
#include "support/TaskTable.h"

#include <QLineEdit>
#include <QTest>
#include <QTimer>

using namespace zelkor;
using namespace zelkor::test;

namespace
{
// "HH:mm:ss name" for each helper started or target opened.
QString effectAt(const QDateTime& at, const QString& effect)
{
    return at.toString(QStringLiteral("HH:mm:ss ")) + effect.section(QLatin1Char('/'), -1);
}
} // namespace

// Tasks and waits that meet in the same moment: each still runs once, at its
// own time.
class TestCoinciding : public QObject
{
    Q_OBJECT
private slots:
    // Every task due in the same second fires, the newest first; none of
    // them is lost to another, and none fires again.
    void tasksInTheSameSecond_data()
    {
        QTest::addColumn<QList<TaskRow>>("rows"); // stored in this order, ids ascending
        QTest::addColumn<QStringList>("fired");
        const QDateTime at = onMonday(7, 0, 3);
        QTest::newRow("two once tasks") << QList<TaskRow>{onceRow(0, at, 6), onceRow(0, at, 3)}
                                        << QStringList{"07:00:03 log.dll", "07:00:03 suo.dll"};
        QTest::newRow("once, daily, weekly and monthly, and one a second later")
            << QList<TaskRow>{dailyRow(0, at.time(), 6), onceRow(0, at.addSecs(1), 1),
                              weeklyRow(0, at.time(), {2}, 2),
                              monthlyRow(0, at.time(), QDate(2026, 1, 7), 4), onceRow(0, at, 3)}
            << QStringList{"07:00:03 log.dll", "07:00:03 gua_f.dll", "07:00:03 res_f.dll",
                           "07:00:03 suo.dll", "07:00:04 guan_f.dll"};
        QTest::newRow("two reminders")
            << QList<TaskRow>{withText(onceRow(0, at, 8), true, QStringLiteral("Cake")),
                              withText(dailyRow(0, at.time(), 8), true, QStringLiteral("Tea"))}
            << QStringList{"07:00:03 reminder Tea", "07:00:03 reminder Cake"};
        QTest::newRow("a tie behind an earlier task")
            << QList<TaskRow>{onceRow(0, at.addSecs(-2), 1), onceRow(0, at, 6), onceRow(0, at, 3)}
            << QStringList{"07:00:01 guan_f.dll", "07:00:03 log.dll", "07:00:03 suo.dll"};
    }
    void tasksInTheSameSecond()
    {
        QFETCH(QList<TaskRow>, rows);
        QFETCH(QStringList, fired);
        SchedulerRig rig;
        rig.platform.setNow(onMonday(7, 0));
        for (const TaskRow& row : rows)
            QVERIFY(rig.store(row) > 0);
        QStringList effects;
        rig.actions.setReminderPresenter([&] {
            effects << effectAt(rig.platform.now(),
                                QStringLiteral("reminder ") + rig.state.remindText);
        });
        TaskScheduler scheduler(rig.platform, rig.state, rig.actions);
        scheduler.selectNextTask();
        for (int i = 0; i < 20; ++i) {
            rig.platform.advanceSecond();
            const QStringList before = rig.platform.started + rig.platform.opened;
            scheduler.fireDueTask();
            for (const QString& effect :
                 (rig.platform.started + rig.platform.opened).mid(before.size()))
                effects << effectAt(rig.platform.now(), effect);
        }
        QCOMPARE(effects, fired);
    }

    // A Timer tab Power On and the cycle's wait for a stored Power On task
    // share the one wake timer; whichever starts first, each ends at its own
    // moment, the other's wait neither moving it nor holding it up.
    void timerTabPowerOnBesideTheCycle_data()
    {
        QTest::addColumn<int>("tabMinutes"); // the tab's Power On, 08:00 + these minutes
        QTest::addColumn<bool>("tabFirst");  // started before the cycle, else inside its wait
        QTest::addColumn<bool>("message");   // the stored task shows a message
        QTest::addColumn<QStringList>("effects");
        QTest::newRow("tab first") << 30 << false << false
                                   << QStringList{"08:30:00 tab", "09:00:00 stored"};
        QTest::newRow("tab first, stored message")
            << 30 << false << true << QStringList{"08:30:00 tab", "09:00:00 message"};
        QTest::newRow("tab a minute before")
            << 59 << false << false << QStringList{"08:59:00 tab", "09:00:00 stored"};
        QTest::newRow("tab later") << 90 << false << false
                                   << QStringList{"09:00:00 stored", "09:30:00 tab"};
        QTest::newRow("tab started first, later")
            << 90 << true << false << QStringList{"09:00:00 stored", "09:30:00 tab"};
        QTest::newRow("tab started first, earlier")
            << 30 << true << true << QStringList{"08:30:00 tab", "09:00:00 message"};
    }
    void timerTabPowerOnBesideTheCycle()
    {
        QFETCH(int, tabMinutes);
        QFETCH(bool, tabFirst);
        QFETCH(bool, message);
        QFETCH(QStringList, effects);
        TimerTabRig rig;
        TempProgramDir dir;
        rig.state.paths = portablePaths(dir.path());
        rig.platform.setNow(onMonday(8, 0));
        QVERIFY(addRow(dir.databasePath(), {{"type", 2},
                                            {"action", 7},
                                            {"starttime", daynum::fromTime(QTime(9, 0))},
                                            {"fujia", message ? 1 : 0},
                                            {"description", message ? "message" : "/bin/stored"},
                                            {"state", 1}}) > 0);
        PowerOnCycle cycle(rig.platform, rig.state, rig.actions, rig.waits);
        QStringList seen;
        qsizetype opened = 0;
        const auto note = [&] {
            for (const QString& target : rig.platform.opened.mid(opened))
                seen << effectAt(rig.platform.now(), target);
            opened = rig.platform.opened.size();
        };
        cycle.setMessagePresenter(
            [&] { seen << effectAt(rig.platform.now(), rig.state.remindText); });
        rig.chooseAction(ActionKind::PowerOn);
        rig.tab.setDateTimePickers(rig.platform.now());
        rig.tab.m_afterMinutesEdit->setTime(QTime(0, tabMinutes % 60));
        rig.tab.m_afterHoursEdit->setTime(QTime(tabMinutes / 60, 0));
        rig.tab.m_targetEdit->setText(QStringLiteral("/bin/tab"));
        bool tabStarted = tabFirst;
        QDateTime armedFor;
        rig.platform.wake.onArm = [&](qint64 seconds) {
            armedFor = rig.platform.now().addSecs(seconds);
            if (!tabFirst && rig.platform.wake.armed.size() == 1) {
                QTimer::singleShot(0, &cycle, [&] {
                    rig.start();
                    tabStarted = true;
                });
            }
        };
        // Time runs to each armed moment in turn, until the next day's task.
        QTimer time;
        connect(&time, &QTimer::timeout, [&] {
            note();
            const bool bothWait = tabStarted && cycle.isRunning();
            if (!bothWait || !rig.platform.wake.isArmed() || rig.platform.wake.signalled())
                return;
            if (armedFor > onMonday(12, 0)) {
                cycle.stop();
                time.stop();
                return;
            }
            rig.platform.setNow(armedFor);
            rig.platform.wake.fire();
        });
        time.start(5);
        if (tabFirst)
            rig.start();
        cycle.start();
        QTRY_VERIFY(cycle.cycles() > 0 && !cycle.isRunning());
        note();
        QCOMPARE(seen, effects);
    }
};

QTEST_MAIN(TestCoinciding)
#include "tst_coinciding.moc"
