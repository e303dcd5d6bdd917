#include "SchedulerRig.h"
#include "guard/WarningDesk.h"
#include "scheduler/TaskScheduler.h"

#include <QTest>
#include <QTimer>

using namespace zelkor;
using namespace zelkor::test;

namespace {
const QDate kMonday(2026, 12, 7);

struct Rig : SchedulerRig {
    Rig()
    {
        platform.setNow(QDateTime(kMonday, QTime(7, 0)));
        scheduler.setForcedSource([this] { return forced; });
    }
    // Steps the clock second by second up to `until`, ticking the poll after
    // every step, and notes the clock at each started helper.
    QList<QDateTime> runUntil(const QDateTime& until)
    {
        QList<QDateTime> firings;
        while (platform.now() < until) {
            platform.advanceSecond();
            const qsizetype before = platform.started.size() + platform.opened.size();
            scheduler.fireDueTask();
            if (platform.started.size() + platform.opened.size() > before)
                firings << platform.now();
        }
        return firings;
    }
    TaskScheduler scheduler{platform, state, actions};
};
} // namespace

class TestTaskScheduler : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(qgetenv("TZ"), QByteArray("Europe/Berlin")); }

    // The poll ticks just after a second, and sleeps through the seconds
    // before the next one worth a look (the warning's first, the task's
    // own): a minute at the most.
    void pollSleepsToTheNextSecondWorthALook_data()
    {
        QTest::addColumn<int>("msec");  // of now, 07:00:00
        QTest::addColumn<int>("dueIn"); // seconds from 07:00:00 to the task
        QTest::addColumn<int>("lead");  // the desk's warning lead; -1: no desk
        QTest::addColumn<int>("delay"); // ms to the tick
        const int tick = kTickAfterSecondMs;
        QTest::newRow("next second") << 0 << 1 << -1 << 1000 + tick;
        QTest::newRow("next second, from just before it") << 999 << 1 << -1 << 1 + tick;
        QTest::newRow("ten seconds off") << 0 << 10 << -1 << 10000 + tick;
        QTest::newRow("ten seconds off, from mid second") << 500 << 10 << -1 << 9500 + tick;
        QTest::newRow("an hour off: a minute") << 0 << 3600 << -1 << 60000 + tick;
        QTest::newRow("an hour off, from mid second") << 500 << 3600 << -1 << 59500 + tick;
        QTest::newRow("its warning opens in 20 s") << 0 << 80 << 60 << 20000 + tick;
        QTest::newRow("its warning is due") << 0 << 30 << 60 << 1000 + tick;
        QTest::newRow("no warning: its own second") << 0 << 30 << 0 << 30000 + tick;
    }
    void pollSleepsToTheNextSecondWorthALook()
    {
        QFETCH(int, msec);
        QFETCH(int, dueIn);
        QFETCH(int, lead);
        QFETCH(int, delay);
        Rig rig;
        const QDateTime whole(kMonday, QTime(7, 0));
        rig.platform.setNow(whole.addMSecs(msec));
        WarningDesk desk;
        desk.setLeadSeconds(lead);
        if (lead >= 0)
            rig.scheduler.setWarningDesk(&desk);
        rig.store(onceRow(1, whole.addSecs(dueIn), 1));
        rig.scheduler.selectNextTask();
        QTimer* timer = rig.scheduler.pollTimer();
        QCOMPARE(timer->objectName(), QStringLiteral("TimEvery"));
        QCOMPARE(timer->timerType(), Qt::PreciseTimer);
        QVERIFY(timer->isSingleShot());
        QVERIFY(timer->isActive());
        QVERIFY2(timer->remainingTime() <= delay && timer->remainingTime() >= delay - 200,
                 qPrintable(QString::number(timer->remainingTime())));
    }

    // A task beyond the pass's 32 days is taken up once it comes within
    // them, by a pass a day; with nothing stored no timer runs at all.
    void tasksBeyondTheHorizonComeInto_data()
    {
        QTest::addColumn<int>("daysAhead");
        QTest::addColumn<int>("daysUntilPolled");
        QTest::newRow("within") << 5 << 0;
        QTest::newRow("40 days ahead: 32 days and 30 s") << 40 << 9;
        QTest::newRow("nothing stored") << 0 << -1;
    }

    void tasksBeyondTheHorizonComeInto()
    {
        QFETCH(int, daysAhead);
        QFETCH(int, daysUntilPolled); // -1: no task, no timer
        Rig rig;
        if (daysAhead > 0)
            rig.store(onceRow(0, QDateTime(kMonday.addDays(daysAhead), QTime(7, 0, 30))));
        rig.scheduler.selectNextTask();
        int days = 0;
        for (; days < 60 && !rig.scheduler.isPolling() && rig.scheduler.horizonTimer()->isActive(); ++days) {
            QCOMPARE(rig.scheduler.horizonTimer()->interval(), 24 * 3600 * 1000);
            rig.platform.advance(86400);
            emit rig.scheduler.horizonTimer()->timeout({});
        }
        QCOMPARE(rig.scheduler.isPolling() ? days : -1, daysUntilPolled);
        QVERIFY(!rig.scheduler.horizonTimer()->isActive());
        if (daysUntilPolled >= 0)
            QCOMPARE(rig.runUntil(QDateTime(kMonday.addDays(daysAhead), QTime(7, 1))),
                     QList<QDateTime>{QDateTime(kMonday.addDays(daysAhead), QTime(7, 0, 30))});
    }

    // A longer lead may open the warning before the second the poll sleeps
    // to; after a resume its timer has counted none of the time asleep.
    void pollIsAimedAnew_data()
    {
        QTest::addColumn<bool>("resume"); // else: the lead grows
        QTest::newRow("a longer lead") << false;
        QTest::newRow("a resume") << true;
    }
    void pollIsAimedAnew()
    {
        QFETCH(bool, resume);
        Rig rig;
        WarningDesk desk;
        rig.scheduler.setWarningDesk(&desk);
        const QDateTime due = rig.platform.now().addSecs(7200);
        rig.store(onceRow(1, due, 1));
        rig.scheduler.selectNextTask();
        QTimer* timer = rig.scheduler.pollTimer();
        QVERIFY(timer->remainingTime() > 50000);
        if (resume) {
            rig.platform.setNow(due.addSecs(-70)); // the tick count went on asleep
            rig.scheduler.onClockSet();
        } else {
            desk.setLeadSeconds(7190);
        }
        QVERIFY2(timer->remainingTime() <= 10005 && timer->remainingTime() >= 9800,
                 qPrintable(QString::number(timer->remainingTime())));
    }

    void firesAtItsSecond()
    {
        Rig rig;
        const QDateTime due(kMonday, QTime(8, 0));
        rig.store(onceRow(1, due));
        rig.scheduler.selectNextTask();
        QVERIFY(rig.scheduler.isPolling());
        QCOMPARE(rig.scheduler.selection().nextTime, due);
        rig.platform.setNow(due.addMSecs(-1));
        rig.scheduler.fireDueTask();
        QVERIFY(rig.platform.started.isEmpty());
        QVERIFY(rig.scheduler.isPolling());
        QVERIFY(rig.scheduler.pollTimer()->isActive()); // aimed at the next second
        rig.platform.setNow(due);
        rig.scheduler.fireDueTask();
        QCOMPARE(rig.platform.started, QStringList{rig.helper(QStringLiteral("guan_f.dll"))});
        QVERIFY(!rig.scheduler.isPolling()); // nothing left to arm
        QVERIFY(!rig.scheduler.pollTimer()->isActive());
        rig.scheduler.fireDueTask(); // a stray tick of a stopped poll does nothing
        QCOMPARE(rig.platform.started.size(), 1);
    }

    // The table changed behind the program's back after the pass chose (by
    // another program, a copy put back): at the moment, what acts is what
    // the table holds then, and the pass goes on from the table as it is.
    void firesWhatTheTableHoldsNow_data()
    {
        QTest::addColumn<QString>("field"); // changed; "" for none
        QTest::addColumn<QVariant>("value"); // null: the row is deleted
        QTest::addColumn<QStringList>("started");
        QTest::addColumn<QDateTime>("nextTime"); // chosen after the moment
        const QDateTime later(kMonday, QTime(9, 0));
        QTest::newRow("unchanged") << "" << QVariant() << QStringList{"suo.dll"} << QDateTime();
        QTest::newRow("deleted") << "id" << QVariant() << QStringList{} << QDateTime();
        QTest::newRow("moved to 09:00") << "starttime" << QVariant(dayNumber(later)) << QStringList{} << later;
        QTest::newRow("now a restart") << "action" << QVariant(2) << QStringList{"res.dll"} << QDateTime();
    }
    void firesWhatTheTableHoldsNow()
    {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        QFETCH(QStringList, started);
        QFETCH(QDateTime, nextTime);
        Rig rig;
        rig.forced = false;
        const QDateTime due(kMonday, QTime(8, 0));
        const qint64 id = rig.store(onceRow(0, due, 6));
        rig.scheduler.selectNextTask();
        QCOMPARE(rig.scheduler.selection().nextTime, due);
        if (!field.isEmpty())
            QVERIFY(value.isNull() ? deleteRow(rig.dir.databasePath(), id)
                                   : changeField(rig.dir.databasePath(), id, field, value));
        rig.platform.setNow(due);
        rig.scheduler.fireDueTask();
        QStringList paths;
        for (const QString& name : started)
            paths << rig.helper(name);
        QCOMPARE(rig.platform.started, paths);
        QCOMPARE(rig.scheduler.isPolling() ? rig.scheduler.selection().nextTime : QDateTime(), nextTime);
    }

    // Exit chosen, a last box waiting: a task that comes due meanwhile does
    // not run, and is not used up; the next start finds it as it was.
    void exitUnderWayFiresNothing()
    {
        Rig rig;
        const QDateTime due(kMonday, QTime(8, 0));
        rig.store(onceRow(1, due));
        rig.scheduler.selectNextTask();
        rig.state.exitRequested = true;
        rig.platform.setNow(due);
        rig.scheduler.fireDueTask();
        QVERIFY(rig.platform.started.isEmpty());
        QCOMPARE(rig.scheduler.selection().nextTime, due);
    }

    void actions_data()
    {
        QTest::addColumn<TaskRow>("row");
        QTest::addColumn<bool>("forced");
        QTest::addColumn<QStringList>("started"); // helper names
        QTest::addColumn<QStringList>("opened");
        QTest::addColumn<int>("hibernations");
        QTest::addColumn<QString>("remindText"); // "-" when no reminder is shown

        const QDateTime at(kMonday, QTime(7, 0, 1));
        const QStringList none;
        QTest::newRow("shut down, forced") << onceRow(1, at, 1) << true << QStringList{"guan_f.dll"} << none
                                           << 0 << "-";
        QTest::newRow("shut down") << onceRow(1, at, 1) << false << QStringList{"guan.dll"} << none << 0 << "-";
        QTest::newRow("restart, forced") << onceRow(1, at, 2) << true << QStringList{"res_f.dll"} << none << 0
                                         << "-";
        QTest::newRow("log off, forced") << onceRow(1, at, 3) << true << QStringList{"log.dll"} << none << 0
                                         << "-";
        QTest::newRow("stand by") << onceRow(1, at, 4) << false << QStringList{"gua.dll"} << none << 0 << "-";
        QTest::newRow("hibernate, forced") << onceRow(1, at, 5) << true << none << none << 1 << "-";
        QTest::newRow("lock, forced") << onceRow(1, at, 6) << true << QStringList{"suo.dll"} << none << 0 << "-";
        QTest::newRow("message") << withText(onceRow(1, at, 8), true, QStringLiteral("Tea time")) << true
                                 << none << none << 0 << "Tea time";
        QTest::newRow("message without text") << withText(onceRow(1, at, 8), true, QVariant()) << true << none
                                              << none << 0 << "";
        QTest::newRow("launch") << withText(onceRow(1, at, 8), false, QStringLiteral(" https://example.org/a "))
                                << true << none << QStringList{"https://example.org/a"} << 0 << "-";
        QTest::newRow("launch without target") << withText(onceRow(1, at, 8), false, QVariant()) << true
                                               << none << none << 0 << "-";
        QTest::newRow("unknown code") << onceRow(1, at, 12) << true << none << none << 0 << "-";
    }
    void actions()
    {
        QFETCH(TaskRow, row);
        QFETCH(bool, forced);
        QFETCH(QStringList, started);
        QFETCH(QStringList, opened);
        QFETCH(int, hibernations);
        QFETCH(QString, remindText);
        Rig rig;
        rig.forced = forced;
        rig.store(row);
        const QDateTime later(kMonday, QTime(9, 0));
        const qint64 laterId = rig.store(onceRow(0, later, 6));
        rig.scheduler.selectNextTask();
        QCOMPARE(rig.scheduler.selection().nextTime, QDateTime(kMonday, QTime(7, 0, 1)));
        rig.platform.advanceSecond();
        rig.scheduler.fireDueTask();

        QStringList paths;
        for (const QString& name : started)
            paths << rig.helper(name);
        QCOMPARE(rig.platform.started, paths);
        QCOMPARE(rig.platform.opened, opened);
        QCOMPARE(rig.platform.hibernations, hibernations);
        QCOMPARE(rig.reminders, remindText == QLatin1String("-") ? 0 : 1);
        if (remindText != QLatin1String("-"))
            QCOMPARE(rig.state.remindText, remindText);
        // Whatever the code did, the next occurrence is armed.
        QVERIFY(rig.scheduler.isPolling());
        QCOMPARE(rig.scheduler.selection().due.first().taskId, laterId);
        QCOMPARE(rig.scheduler.selection().nextTime, later);
    }

    void forceIsReadWhenTheTaskFires()
    {
        Rig rig;
        rig.forced = true; // as when the task was made
        rig.store(onceRow(1, QDateTime(kMonday, QTime(7, 0, 2)), 2));
        rig.scheduler.selectNextTask();
        rig.forced = false;
        rig.runUntil(QDateTime(kMonday, QTime(7, 0, 5)));
        QCOMPARE(rig.platform.started, QStringList{rig.helper(QStringLiteral("res.dll"))});
    }

    // Asleep from 07:00 to 09:00: every task that fell in that time runs at
    // the resume, each once, not only the one chosen before the sleep.
    void sleptThroughTasksAllRunOnce()
    {
        Rig rig;
        rig.store(onceRow(1, QDateTime(kMonday, QTime(8, 0)), 1));
        rig.store(onceRow(2, QDateTime(kMonday, QTime(8, 30)), 2));
        rig.store(dailyRow(3, QTime(8, 45), 6));
        rig.scheduler.selectNextTask();
        rig.platform.setNow(QDateTime(kMonday, QTime(9, 0)));
        rig.scheduler.fireDueTask();
        QCOMPARE(rig.platform.started, QStringList{rig.helper(QStringLiteral("guan_f.dll"))});
        QCOMPARE(rig.scheduler.selection().nextTime, QDateTime(kMonday, QTime(9, 0)));
        rig.scheduler.fireDueTask();
        QCOMPARE(rig.platform.started, (QStringList{rig.helper(QStringLiteral("guan_f.dll")),
                                                    rig.helper(QStringLiteral("suo.dll")),
                                                    rig.helper(QStringLiteral("res_f.dll"))}));
        QCOMPARE(rig.scheduler.selection().nextTime, QDateTime(kMonday.addDays(1), QTime(8, 45)));
        rig.runUntil(QDateTime(kMonday, QTime(9, 0, 10)));
        QCOMPARE(rig.platform.started.size(), 3);
    }

    void sleptThroughDailyTaskFiresOnceThenMovesOn()
    {
        Rig rig;
        rig.store(dailyRow(1, QTime(8, 0), 6));
        rig.scheduler.selectNextTask();
        rig.platform.setNow(QDateTime(kMonday, QTime(9, 0)));
        rig.scheduler.fireDueTask();
        QCOMPARE(rig.platform.started.size(), 1);
        QCOMPARE(rig.scheduler.selection().nextTime, QDateTime(kMonday.addDays(1), QTime(8, 0)));
        rig.runUntil(QDateTime(kMonday, QTime(9, 0, 10)));
        QCOMPARE(rig.platform.started.size(), 1);
    }

    // What passed while the program's own hibernation lasted is due at the
    // resume.
    void hibernateThenWhatPassedMeanwhile()
    {
        Rig rig;
        rig.platform.hibernateSeconds = 2 * 3600; // resumes at 09:00:01
        rig.store(onceRow(1, QDateTime(kMonday, QTime(7, 0, 1)), 5));
        rig.store(onceRow(2, QDateTime(kMonday, QTime(8, 0)), 1)); // passes while asleep
        const qint64 next = rig.store(onceRow(3, QDateTime(kMonday, QTime(10, 0)), 6));
        rig.scheduler.selectNextTask();
        rig.runUntil(QDateTime(kMonday, QTime(7, 0, 1)));
        QCOMPARE(rig.platform.hibernations, 1);
        QCOMPARE(rig.platform.now(), QDateTime(kMonday, QTime(9, 0, 1)));
        QVERIFY(rig.scheduler.isPolling());
        QCOMPARE(rig.scheduler.selection().nextTime, rig.platform.now());
        QCOMPARE(rig.scheduler.selection().due.first().taskId, 2);
        rig.scheduler.fireDueTask();
        QCOMPARE(rig.platform.started, QStringList{rig.helper(QStringLiteral("guan_f.dll"))});
        QCOMPARE(rig.scheduler.selection().due.first().taskId, next);
    }

    void clockSetBackDoesNotFireTwice()
    {
        Rig rig;
        rig.store(dailyRow(1, QTime(8, 0), 6));
        rig.scheduler.selectNextTask();
        rig.platform.setNow(QDateTime(kMonday, QTime(7, 59, 58)));
        QCOMPARE(rig.runUntil(QDateTime(kMonday, QTime(8, 0, 5))),
                 QList<QDateTime>{QDateTime(kMonday, QTime(8, 0))});
        rig.platform.stepClock(QDateTime(kMonday, QTime(7, 30))); // the clock is set back
        rig.scheduler.fireDueTask();
        rig.scheduler.selectNextTask(); // as after any change of the task list
        QCOMPARE(rig.scheduler.selection().nextTime, QDateTime(kMonday.addDays(1), QTime(8, 0)));
        rig.runUntil(QDateTime(kMonday, QTime(8, 0, 5)));
        QCOMPARE(rig.platform.started.size(), 1);
    }

    void sameSecondFiresBothNewerFirst()
    {
        Rig rig;
        const QDateTime at(kMonday, QTime(7, 0, 3));
        rig.store(onceRow(1, at, 6));
        rig.store(onceRow(2, at, 3));
        rig.scheduler.selectNextTask();
        rig.runUntil(at.addSecs(5));
        QCOMPARE(rig.platform.started, QStringList({rig.helper(QStringLiteral("log.dll")),
                                                    rig.helper(QStringLiteral("suo.dll"))}));
    }

    // A daily task on the days the clocks change fires once on that day.
    void dailyTaskOnClockChangeDays_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QDateTime>("firesAt");
        const QDate spring(2026, 3, 29), autumn(2026, 10, 25);
        QTest::newRow("spring 02:30, skipped") << spring << QTime(2, 30)
                                               << QDateTime(spring, QTime(3, 30), Qt::OffsetFromUTC, 7200);
        QTest::newRow("spring 01:30") << spring << QTime(1, 30)
                                      << QDateTime(spring, QTime(1, 30), Qt::OffsetFromUTC, 3600);
        QTest::newRow("autumn 02:30, shown twice") << autumn << QTime(2, 30)
                                                   << QDateTime(autumn, QTime(2, 30), Qt::OffsetFromUTC, 7200);
        QTest::newRow("autumn 01:30") << autumn << QTime(1, 30)
                                      << QDateTime(autumn, QTime(1, 30), Qt::OffsetFromUTC, 7200);
    }
    void dailyTaskOnClockChangeDays()
    {
        QFETCH(QDate, day);
        QFETCH(QTime, time);
        QFETCH(QDateTime, firesAt);
        Rig rig;
        rig.platform.setNow(QDateTime(day.addDays(-1), QTime(23, 0)));
        rig.store(dailyRow(1, time, 6));
        rig.scheduler.selectNextTask();
        const QList<QDateTime> firings = rig.runUntil(QDateTime(day.addDays(1), QTime(0, 0)));
        QCOMPARE(firings.size(), 1);
        QCOMPARE(firings.first().toSecsSinceEpoch(), firesAt.toSecsSinceEpoch());
    }
};

QTEST_GUILESS_MAIN(TestTaskScheduler)
#include "tst_taskscheduler.moc"
