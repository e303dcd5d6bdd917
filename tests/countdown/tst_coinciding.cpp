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

    // A Timer tab Power On started while the cycle waits for a stored Power
    // On task re-arms the one wake timer. When it ends first, the cycle waits
    // on for its own moment and runs its task once, then; when it ends later,
    // the cycle's task runs once, when both waits end.
    void timerTabPowerOnInsideTheCycle_data()
    {
        QTest::addColumn<int>("tabMinutes"); // the tab's Power On, 08:00 + these minutes
        QTest::addColumn<bool>("message");   // the stored task shows a message
        QTest::addColumn<QStringList>("effects");
        QTest::newRow("tab first") << 30 << false << QStringList{"08:30:00 tab", "09:00:00 stored"};
        QTest::newRow("tab first, stored message")
            << 30 << true << QStringList{"08:30:00 tab", "09:00:00 message"};
        QTest::newRow("tab a minute before")
            << 59 << false << QStringList{"08:59:00 tab", "09:00:00 stored"};
        QTest::newRow("tab later") << 90 << false << QStringList{"09:30:00 tab", "09:30:00 stored"};
    }
    void timerTabPowerOnInsideTheCycle()
    {
        QFETCH(int, tabMinutes);
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
        // Each arming lets the clock run to its end and fires, except that
        // the cycle's first wait gets the tab's Power On started inside it.
        rig.platform.wake.onArm = [&](qint64 seconds) {
            note();
            if (rig.platform.wake.armed.size() == 1) {
                QTimer::singleShot(0, &cycle, [&] {
                    rig.start();
                    note();
                });
                return;
            }
            if (rig.platform.now().addSecs(seconds) > onMonday(12, 0)) {
                rig.state.exitRequested = rig.state.cancelWakeWait = true;
                return;
            }
            rig.platform.advance(seconds);
            rig.platform.wake.fireLater();
        };
        cycle.start();
        QTRY_VERIFY(cycle.cycles() > 0 && !cycle.isRunning());
        note();
        QCOMPARE(seen, effects);
    }
};

QTEST_MAIN(TestCoinciding)
#include "tst_coinciding.moc"
