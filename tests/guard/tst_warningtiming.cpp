// When a warning comes, and what Cancel and Postpone do to the occurrence it
// names: stored tasks and the forbidden period on the fake clock.
#include "../scheduler/SchedulerRig.h"
#include "common/ActionKind.h"
#include "guard/Occurrences.h"
#include "guard/WarningDesk.h"
#include "scheduler/PeriodGuard.h"
#include "scheduler/TaskScheduler.h"
#include "support/TaskTable.h"
#include "support/Zone.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

using namespace zelkor;
using namespace zelkor::test;

namespace
{
const QDate kMonday(2026, 12, 7);

// A scheduler and a forbidden period with a desk, stepped second by second.
struct Rig : SchedulerRig {
    Rig()
    {
        platform.setNow(QDateTime(kMonday, QTime(7, 0)));
        scheduler.setWarningDesk(&desk);
        guard.setWarningDesk(&desk);
        QObject::connect(&desk, &WarningDesk::warningDue, [this](const Warning& w) {
            warnings << w;
            warnedAt << platform.now();
        });
    }
    // Steps the clock up to `until`, ticking both polls after each step, and
    // notes the clock at every helper started.
    QList<QDateTime> runUntil(const QDateTime& until)
    {
        QList<QDateTime> firings;
        while (platform.now() < until) {
            platform.advanceSecond();
            const qsizetype before = platform.started.size();
            scheduler.fireDueTask();
            guard.enforceForbiddenPeriod();
            if (platform.started.size() > before)
                firings << platform.now();
        }
        return firings;
    }
    WarningDesk desk{[this] { return platform.asleepMs(); }};
    TaskScheduler scheduler{platform, state, actions};
    PeriodGuard guard{platform, state, actions};
    QList<Warning> warnings;
    QList<QDateTime> warnedAt;
};

QDateTime at(int h, int m, int s = 0, int days = 0)
{
    return QDateTime(kMonday.addDays(days), QTime(h, m, s));
}

} // namespace

class TestWarningTiming : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(qgetenv("TZ"), QByteArray("Europe/Berlin")); }

    void warningWindow_data()
    {
        QTest::addColumn<int>("secondsBefore");
        QTest::addColumn<int>("lead");
        QTest::addColumn<bool>("warns");
        QTest::newRow("just outside") << 61 << 60 << false;
        QTest::newRow("window opens") << 60 << 60 << true;
        QTest::newRow("last second") << 1 << 60 << true;
        QTest::newRow("the moment itself") << 0 << 60 << false;
        QTest::newRow("after it") << -1 << 60 << false;
        QTest::newRow("lead 0 is off") << 1 << 0 << false;
        QTest::newRow("short lead") << 5 << 5 << true;
    }
    void warningWindow()
    {
        QFETCH(int, secondsBefore);
        QFETCH(int, lead);
        QFETCH(bool, warns);
        const QDateTime moment = at(9, 0);
        QCOMPARE(inWarningWindow(moment, moment.addSecs(-secondsBefore), lead), warns);
    }

    void warnedActions_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("warned");
        for (int code = 0; code <= 10; ++code)
            QTest::addRow("code %d", code) << code << (code >= 1 && code <= 6);
    }
    void warnedActions()
    {
        QFETCH(int, action);
        QFETCH(bool, warned);
        Rig rig;
        rig.store(dailyRow(0, QTime(7, 5), action));
        rig.scheduler.selectNextTask();
        rig.runUntil(at(7, 5));
        QCOMPARE(rig.warnings.size(), warned ? 1 : 0);
    }

    // Unanswered, the warning comes N seconds before and the task still
    // fires at its second.
    void taskWarnsAheadAndStillFiresAtItsSecond_data()
    {
        QTest::addColumn<int>("lead");
        QTest::newRow("default") << kDefaultWarningSeconds;
        QTest::newRow("ten seconds") << 10;
        QTest::newRow("off") << 0;
    }
    void taskWarnsAheadAndStillFiresAtItsSecond()
    {
        QFETCH(int, lead);
        Rig rig;
        rig.desk.setLeadSeconds(lead);
        rig.store(dailyRow(0, QTime(8, 0)));
        rig.scheduler.selectNextTask();
        const QList<QDateTime> firings = rig.runUntil(at(8, 0, 5));
        QCOMPARE(firings, QList<QDateTime>{at(8, 0)});
        if (lead == 0) {
            QVERIFY(rig.warnings.isEmpty());
            return;
        }
        QCOMPARE(rig.warnedAt, QList<QDateTime>{at(8, 0).addSecs(-lead)});
        QCOMPARE(rig.warnings.first().moment, at(8, 0));
        QCOMPARE(rig.warnings.first().source, WarningSource::Task);
        QVERIFY(!rig.desk.isOpen(rig.warnings.first().key)); // gone once it acted
    }

    // A task whose warning never showed, because the computer slept through
    // it, is warned of at the resume and acts a lead later, unless stopped.
    void sleptThroughIsWarnedBeforeItActs_data()
    {
        QTest::addColumn<int>("lead");
        QTest::addColumn<QDateTime>("asleep"); // until 09:00
        QTest::addColumn<bool>("awake");       // that time passes awake, the program held up
        QTest::addColumn<bool>("withReminder");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QList<QDateTime>>("firings");
        QTest::addColumn<int>("warnings");
        QTest::newRow("a lock") << 60 << at(7, 30) << false << false << "" << QList<QDateTime>{at(9, 1)} << 1;
        QTest::newRow("a reminder beside it comes at once") << 60 << at(7, 30) << false << true << "" << QList<QDateTime>{at(9, 1)} << 1;
        QTest::newRow("cancelled from the late warning") << 60 << at(7, 30) << false << false << "cancel" << QList<QDateTime>{} << 1;
        QTest::newRow("warnings off") << 0 << at(7, 30) << false << false << "" << QList<QDateTime>{at(9, 0)} << 0;
        QTest::newRow("warned before it slept") << 60 << at(7, 59, 30) << false << false << "" << QList<QDateTime>{at(9, 1)} << 2;
        QTest::newRow("warned, then held up awake") << 60 << at(7, 59, 30) << true << false << "" << QList<QDateTime>{at(9, 0)} << 1;
    }
    void sleptThroughIsWarnedBeforeItActs()
    {
        QFETCH(int, lead);
        QFETCH(QDateTime, asleep);
        QFETCH(bool, awake);
        QFETCH(bool, withReminder);
        QFETCH(QString, answer);
        QFETCH(QList<QDateTime>, firings);
        QFETCH(int, warnings);
        Rig rig;
        rig.desk.setLeadSeconds(lead);
        if (withReminder)
            rig.store(withText(onceRow(0, at(8, 0), 8), true, QStringLiteral("Take the pills")));
        rig.store(onceRow(0, at(8, 0), 6));
        rig.scheduler.selectNextTask();
        QVERIFY(rig.runUntil(asleep).isEmpty());
        const qint64 gap = asleep.secsTo(at(9, 0)) - 1;
        awake ? rig.platform.advance(gap) : rig.platform.sleep(gap); // the tick count goes on
        QList<QDateTime> fired = rig.runUntil(at(9, 0));
        QCOMPARE(rig.reminders, withReminder ? 1 : 0);
        if (answer == QLatin1String("cancel"))
            rig.scheduler.cancelOccurrence(rig.warnings.last().key);
        fired += rig.runUntil(at(9, 5));
        QCOMPARE(fired, firings);
        QCOMPARE(rig.warnings.size(), warnings);
        if (warnings > 0 && !awake)
            QCOMPARE(rig.warnedAt.last(), at(9, 0));
    }

    // The time zone changes under the program: each wall-clock occurrence
    // still acts once, and no warning stays open for a moment of the old
    // zone.
    void zoneChangeKeepsEachOccurrenceOnce_data()
    {
        QTest::addColumn<QString>("kind");   // at 08:00
        QTest::addColumn<QTime>("movedAt");  // in Berlin
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QTime>("until");    // on the new zone's clock
        QTest::addColumn<int>("firings");
        QTest::addColumn<int>("warnings");
        QTest::newRow("west, after it ran") << "daily" << QTime(8, 0, 30) << QByteArray("Europe/London") << QTime(8, 1) << 1 << 1;
        QTest::newRow("west, while warned") << "once" << QTime(7, 59, 30) << QByteArray("Europe/London") << QTime(8, 1) << 1 << 2;
        QTest::newRow("east, past it while warned") << "once" << QTime(7, 59, 30) << QByteArray("Europe/Helsinki") << QTime(9, 5) << 0 << 1;
        QTest::newRow("west, the period while warned") << "period" << QTime(7, 59, 30) << QByteArray("Europe/London") << QTime(8, 0) << 1 << 2;
    }
    void zoneChangeKeepsEachOccurrenceOnce()
    {
        QFETCH(QString, kind);
        QFETCH(QTime, movedAt);
        QFETCH(QByteArray, zone);
        QFETCH(QTime, until);
        QFETCH(int, firings);
        QFETCH(int, warnings);
        const auto restore = qScopeGuard(useDefaultZone);
        Rig rig;
        if (kind == u"period")
            rig.store(periodRow(0, QTime(8, 0), QTime(9, 0)));
        else
            rig.store(kind == u"daily" ? dailyRow(0, QTime(8, 0), 6) : onceRow(0, at(8, 0), 6));
        rig.scheduler.selectNextTask();
        rig.guard.loadForbiddenPeriod();
        QList<QDateTime> fired = rig.runUntil(at(movedAt.hour(), movedAt.minute(), movedAt.second()));
        const QDateTime instant = rig.platform.now().toUTC();
        useZone(zone);
        rig.platform.stepClock(instant.toLocalTime());
        rig.guard.aimAnew(); // as the system's notice of the change does
        fired += rig.runUntil(at(until.hour(), until.minute()));
        QCOMPARE(fired.size(), firings);
        QCOMPARE(rig.warnings.size(), warnings);
        for (const Warning& warning : std::as_const(rig.warnings))
            QVERIFY(!rig.desk.isOpen(warning.key));
    }

    // Cancel skips this occurrence only: a Daily task comes again the next
    // day, a Once task never.
    void cancelSkipsTheOccurrence_data()
    {
        QTest::addColumn<bool>("daily");
        QTest::addColumn<QList<QDateTime>>("firings");
        QTest::newRow("daily") << true << QList<QDateTime>{at(8, 0, 0, 1)};
        QTest::newRow("once") << false << QList<QDateTime>{};
    }
    void cancelSkipsTheOccurrence()
    {
        QFETCH(bool, daily);
        QFETCH(QList<QDateTime>, firings);
        Rig rig;
        rig.store(daily ? dailyRow(0, QTime(8, 0)) : onceRow(0, at(8, 0)));
        rig.scheduler.selectNextTask();
        QVERIFY(rig.runUntil(at(7, 59, 30)).isEmpty());
        QCOMPARE(rig.warnings.size(), 1);
        rig.scheduler.cancelOccurrence(rig.warnings.first().key);
        QCOMPARE(rig.runUntil(at(8, 1, 0, 1)), firings);
        QCOMPARE(rig.warnings.size(), daily ? 2 : 1); // tomorrow's is warned again
    }

    // Postpone moves this occurrence ten minutes; the next one stays put.
    void postponeMovesTheOccurrence_data()
    {
        QTest::addColumn<bool>("daily");
        QTest::addColumn<QList<QDateTime>>("firings");
        QTest::newRow("daily") << true << QList<QDateTime>{at(8, 10), at(8, 0, 0, 1)};
        QTest::newRow("once") << false << QList<QDateTime>{at(8, 10)};
    }
    void postponeMovesTheOccurrence()
    {
        QFETCH(bool, daily);
        QFETCH(QList<QDateTime>, firings);
        Rig rig;
        rig.store(daily ? dailyRow(0, QTime(8, 0)) : onceRow(0, at(8, 0)));
        rig.scheduler.selectNextTask();
        rig.runUntil(at(7, 59, 30));
        rig.scheduler.postponeOccurrence(rig.warnings.first().key);
        QCOMPARE(rig.runUntil(at(8, 1, 0, 1)), firings);
        // The moved occurrence is warned again ahead of its new moment.
        QVERIFY(rig.warnedAt.size() >= 2);
        QCOMPARE(rig.warnedAt.at(1), at(8, 9));
    }

    void answerToAnOccurrenceThatActedIsIgnored()
    {
        Rig rig;
        rig.store(dailyRow(0, QTime(8, 0)));
        rig.scheduler.selectNextTask();
        rig.runUntil(at(8, 0));
        QCOMPARE(rig.platform.started.size(), 1);
        rig.scheduler.cancelOccurrence(rig.warnings.first().key);
        QCOMPARE(rig.scheduler.selection().nextTime, at(8, 0, 0, 1));
    }

    void deletedTaskTakesItsPostponementAlong()
    {
        Rig rig;
        const qint64 id = rig.store(dailyRow(0, QTime(8, 0)));
        rig.scheduler.selectNextTask();
        rig.runUntil(at(7, 59, 30));
        rig.scheduler.postponeOccurrence(rig.warnings.first().key);
        QVERIFY(deleteRow(rig.dir.databasePath(), id));
        rig.scheduler.selectNextTask();
        QVERIFY(rig.runUntil(at(8, 20)).isEmpty());
    }

    // What the user changes while a lock at 08:00 is warned of (a reminder
    // due in the same second beside it, in some rows): what comes is what
    // the table holds by then, and no warning stays for what is not coming.
    void changesDuringTheWarning_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("withReminder");
        QTest::addColumn<QStringList>("helpers"); // started up to 08:20
        QTest::addColumn<int>("reminders");
        QTest::addColumn<int>("warnings");
        QTest::newRow("postponed, then made a reminder") << "postpone, remind" << false << QStringList{} << 0 << 1;
        QTest::newRow("made a shut down") << "shutdown" << false << QStringList{"guan_f.dll"} << 0 << 2;
        QTest::newRow("deleted") << "delete" << false << QStringList{} << 0 << 1;
        QTest::newRow("cancelled beside a reminder") << "cancel" << true << QStringList{} << 1 << 1;
        QTest::newRow("postponed beside a reminder") << "postpone" << true << QStringList{"suo.dll"} << 1 << 2;
        QTest::newRow("cancelled, then moved earlier") << "cancel, 07:59:50" << false << QStringList{"suo.dll"} << 0 << 2;
        QTest::newRow("cancelled, then moved later") << "cancel, 08:10:00" << false << QStringList{"suo.dll"} << 0 << 2;
    }
    void changesDuringTheWarning()
    {
        QFETCH(QString, change);
        QFETCH(bool, withReminder);
        QFETCH(QStringList, helpers);
        QFETCH(int, reminders);
        QFETCH(int, warnings);
        Rig rig;
        if (withReminder)
            rig.store(withText(onceRow(0, at(8, 0), 8), true, QStringLiteral("Take the pills")));
        const qint64 lock = rig.store(onceRow(0, at(8, 0), 6));
        rig.scheduler.selectNextTask();
        rig.runUntil(at(7, 59, 30));
        QCOMPARE(rig.warnings.size(), 1);
        const QString key = rig.warnings.first().key;
        for (const QString& step : change.split(QStringLiteral(", "))) {
            if (step == QLatin1String("postpone"))
                rig.scheduler.postponeOccurrence(key);
            else if (step == QLatin1String("cancel"))
                rig.scheduler.cancelOccurrence(key);
            else if (step == QLatin1String("delete"))
                QVERIFY(deleteRow(rig.dir.databasePath(), lock));
            else if (const QTime moved = QTime::fromString(step, Qt::ISODate); moved.isValid())
                QVERIFY(changeField(rig.dir.databasePath(), lock, QStringLiteral("starttime"),
                                    daynum::fromDateTime(at(moved.hour(), moved.minute(), moved.second()))));
            else
                QVERIFY(changeField(rig.dir.databasePath(), lock, QStringLiteral("action"),
                                    step == QLatin1String("remind") ? 8 : 1));
            rig.scheduler.selectNextTask();
        }
        QVERIFY(!rig.desk.isOpen(key));
        rig.runUntil(at(8, 20));
        QStringList started;
        for (const QString& path : rig.platform.started)
            started << path.section(QLatin1Char('/'), -1);
        QCOMPARE(started, helpers);
        QCOMPARE(rig.reminders, reminders);
        QCOMPARE(rig.warnings.size(), warnings);
    }

    // Another program changes the lock at 08:00 in the file before its
    // warning opens: the warning names what the file holds by then.
    void changedBehindItsBackBeforeTheWarning_data()
    {
        QTest::addColumn<QString>("field"); // "" deletes the row
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QList<QDateTime>>("warnedOf");
        QTest::addColumn<QList<int>>("warnedActions");
        QTest::addColumn<QList<QDateTime>>("firings");
        QTest::newRow("deleted") << "" << QVariant() << QList<QDateTime>{} << QList<int>{} << QList<QDateTime>{};
        QTest::newRow("made a shut down") << "action" << QVariant(1) << QList<QDateTime>{at(8, 0)} << QList<int>{1}
                                          << QList<QDateTime>{at(8, 0)};
        QTest::newRow("moved to 08:30") << "starttime" << QVariant(daynum::fromDateTime(at(8, 30)))
                                        << QList<QDateTime>{at(8, 30)} << QList<int>{6} << QList<QDateTime>{at(8, 30)};
    }
    void changedBehindItsBackBeforeTheWarning()
    {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        QFETCH(QList<QDateTime>, warnedOf);
        QFETCH(QList<int>, warnedActions);
        QFETCH(QList<QDateTime>, firings);
        Rig rig;
        const qint64 lock = rig.store(onceRow(0, at(8, 0), 6));
        rig.scheduler.selectNextTask();
        QVERIFY(rig.runUntil(at(7, 58)).isEmpty());
        QVERIFY(field.isEmpty() ? deleteRow(rig.dir.databasePath(), lock)
                                : changeField(rig.dir.databasePath(), lock, field, value));
        QCOMPARE(rig.runUntil(at(8, 40)), firings);
        QList<QDateTime> moments;
        QList<int> actions;
        for (const Warning& w : std::as_const(rig.warnings)) {
            moments << w.moment;
            actions << w.action;
        }
        QCOMPARE(moments, warnedOf);
        QCOMPARE(actions, warnedActions);
    }

    // A power action is warned a full lead ahead even while another task
    // comes before it, and the answer reaches it there.
    void warnedAheadOfAnEarlierTask_data()
    {
        QTest::addColumn<bool>("message"); // of the task at 08:00:00 (else it opens a program); the lock at 08:00:05
        QTest::addColumn<QString>("answer");  // to the lock's warning, at 07:59:30
        QTest::addColumn<QList<QDateTime>>("warnedAt");
        QTest::addColumn<QStringList>("helpers");
        QTest::addColumn<int>("reminders");
        QTest::newRow("a reminder first") << true << "" << QList<QDateTime>{at(7, 59, 5)} << QStringList{"suo.dll"} << 1;
        QTest::newRow("a reminder first, lock cancelled") << true << "cancel" << QList<QDateTime>{at(7, 59, 5)}
                                                           << QStringList{} << 1;
        QTest::newRow("a reminder first, lock postponed")
            << true << "postpone" << QList<QDateTime>{at(7, 59, 5), at(8, 9, 5)} << QStringList{"suo.dll"} << 1;
        QTest::newRow("a program first") << false << "" << QList<QDateTime>{at(7, 59, 5)} << QStringList{"suo.dll"} << 0;
    }
    void warnedAheadOfAnEarlierTask()
    {
        QFETCH(bool, message);
        QFETCH(QString, answer);
        QFETCH(QList<QDateTime>, warnedAt);
        QFETCH(QStringList, helpers);
        QFETCH(int, reminders);
        Rig rig;
        rig.store(onceRow(0, at(8, 0, 5), 6));
        rig.store(withText(onceRow(0, at(8, 0), 8), message, message ? QStringLiteral("Stretch") : QStringLiteral("/usr/bin/true")));
        rig.scheduler.selectNextTask();
        rig.runUntil(at(7, 59, 30));
        const Warning* lock = nullptr;
        for (const Warning& w : rig.warnings)
            if (w.action == 6)
                lock = &w;
        QVERIFY(lock);
        QCOMPARE(lock->moment, at(8, 0, 5));
        if (answer == QLatin1String("cancel"))
            rig.scheduler.cancelOccurrence(lock->key);
        else if (answer == QLatin1String("postpone"))
            rig.scheduler.postponeOccurrence(lock->key);
        rig.runUntil(at(8, 20));
        QCOMPARE(rig.warnedAt, warnedAt);
        QStringList started;
        for (const QString& path : rig.platform.started)
            started << path.section(QLatin1Char('/'), -1);
        QCOMPARE(started, helpers);
        QCOMPARE(rig.reminders, reminders);
    }

    void everyPowerActionIsWarnedAFullLeadAhead_data()
    {
        QTest::addColumn<QList<QTime>>("moments"); // of stored power actions: lock, shut down, restart in turn
        QTest::addColumn<QString>("answer");        // to the last one's warning, as soon as it is shown
        QTest::addColumn<int>("lead");              // from 07:57 on
        QTest::addColumn<QList<QDateTime>>("warnedAt");
        QTest::addColumn<QStringList>("helpers");
        QTest::newRow("a shut down 30 s after a lock")
            << QList<QTime>{QTime(8, 0), QTime(8, 0, 30)} << "" << 60 << QList<QDateTime>{at(7, 59), at(7, 59, 30)}
            << QStringList{"suo.dll", "guan_f.dll"};
        QTest::newRow("three in one minute")
            << QList<QTime>{QTime(8, 0), QTime(8, 0, 50), QTime(8, 0, 20)} << "" << 60
            << QList<QDateTime>{at(7, 59), at(7, 59, 20), at(7, 59, 50)}
            << QStringList{"suo.dll", "res_f.dll", "guan_f.dll"};
        QTest::newRow("the later one cancelled before the first acts")
            << QList<QTime>{QTime(8, 0), QTime(8, 0, 30)} << "cancel" << 60 << QList<QDateTime>{at(7, 59), at(7, 59, 30)}
            << QStringList{"suo.dll"};
        QTest::newRow("the later one postponed")
            << QList<QTime>{QTime(8, 0), QTime(8, 0, 30)} << "postpone" << 60
            << QList<QDateTime>{at(7, 59), at(7, 59, 30), at(8, 9, 30)} << QStringList{"suo.dll", "guan_f.dll"};
        QTest::newRow("beyond one lead of each other")
            << QList<QTime>{QTime(8, 0), QTime(8, 2)} << "" << 60 << QList<QDateTime>{at(7, 59), at(8, 1)}
            << QStringList{"suo.dll", "guan_f.dll"};
        QTest::newRow("brought within a lead made longer")
            << QList<QTime>{QTime(8, 0), QTime(8, 1, 30)} << "" << 120 << QList<QDateTime>{at(7, 58), at(7, 59, 30)}
            << QStringList{"suo.dll", "guan_f.dll"};
    }
    void everyPowerActionIsWarnedAFullLeadAhead()
    {
        QFETCH(QList<QTime>, moments);
        QFETCH(QString, answer);
        QFETCH(int, lead);
        QFETCH(QList<QDateTime>, warnedAt);
        QFETCH(QStringList, helpers);
        Rig rig;
        const int actions[] = {6, 1, 2};
        for (qsizetype i = 0; i < moments.size(); ++i)
            rig.store(onceRow(0, QDateTime(kMonday, moments[i]), actions[i]));
        rig.scheduler.selectNextTask();
        while (rig.platform.now() < at(8, 20)) {
            rig.runUntil(rig.platform.now().addSecs(1));
            if (rig.platform.now() == at(7, 57))
                rig.desk.setLeadSeconds(lead);
            if (rig.warnings.size() == moments.size() && !answer.isEmpty()) {
                const QString key = rig.warnings.last().key;
                answer == QLatin1String("cancel") ? rig.scheduler.cancelOccurrence(key)
                                                  : rig.scheduler.postponeOccurrence(key);
                answer.clear();
            }
        }
        QCOMPARE(rig.warnedAt, warnedAt);
        QStringList started;
        for (const QString& path : rig.platform.started)
            started << path.section(QLatin1Char('/'), -1);
        QCOMPARE(started, helpers);
    }

    // The forbidden period: warned before its start, with the start in the
    // text; Cancel spares this night only, Postpone starts it ten minutes later.
    void periodWarnsBeforeItsStart()
    {
        Rig rig;
        rig.platform.setNow(at(21, 58));
        rig.store(periodRow(0, QTime(22, 0), QTime(6, 0)));
        rig.guard.loadForbiddenPeriod();
        const QList<QDateTime> firings = rig.runUntil(at(22, 0, 1));
        QCOMPARE(firings.value(0), at(22, 0));
        QCOMPARE(rig.warnedAt, QList<QDateTime>{at(21, 59)});
        QCOMPARE(rig.warnings.first().source, WarningSource::Period);
        QVERIFY(warningBody(rig.warnings.first()).contains(QStringLiteral("starts at")));
    }

    // In the period before its warning could show: the action waits the
    // lead and is warned of at once, never sprung on the user.
    void periodEnteredUnwarnedIsWarnedFirst_data()
    {
        QTest::addColumn<QDateTime>("loaded");
        QTest::addColumn<QTime>("from");
        QTest::addColumn<QTime>("until");
        QTest::addColumn<QDateTime>("clockSetTo"); // invalid: not set
        QTest::addColumn<bool>("asleep");          // it gets there asleep, not set
        QTest::addColumn<int>("lead");
        QTest::addColumn<QDateTime>("firstAction");
        QTest::newRow("made to cover now") << at(23, 0) << QTime(22, 0) << QTime(6, 0) << QDateTime() << false << 60
                                           << at(23, 1, 1);
        QTest::newRow("start and end alike: all day") << at(7, 0) << QTime(10, 0) << QTime(10, 0) << QDateTime()
                                                      << false << 60 << at(7, 1, 1);
        QTest::newRow("clock set into it") << at(21, 0) << QTime(22, 0) << QTime(6, 0) << at(23, 0) << false << 60
                                           << at(23, 1, 1);
        QTest::newRow("warned, then asleep over its start") << at(21, 59, 30) << QTime(22, 0) << QTime(6, 0) << at(23, 0)
                                                            << true << 60 << at(23, 1, 1);
        QTest::newRow("no warning wanted") << at(23, 0) << QTime(22, 0) << QTime(6, 0) << QDateTime() << false << 0
                                           << at(23, 0, 1);
    }
    void periodEnteredUnwarnedIsWarnedFirst()
    {
        QFETCH(QDateTime, loaded);
        QFETCH(QTime, from);
        QFETCH(QTime, until);
        QFETCH(QDateTime, clockSetTo);
        QFETCH(bool, asleep);
        QFETCH(int, lead);
        QFETCH(QDateTime, firstAction);
        Rig rig;
        rig.desk.setLeadSeconds(lead);
        rig.platform.setNow(loaded);
        rig.store(periodRow(0, from, until));
        rig.guard.loadForbiddenPeriod();
        if (clockSetTo.isValid()) {
            rig.runUntil(loaded.addSecs(10));
            QVERIFY(rig.platform.started.isEmpty());
            asleep ? rig.platform.sleep(rig.platform.now().secsTo(clockSetTo)) : rig.platform.setNow(clockSetTo);
        }
        const QDateTime entered = rig.platform.now();
        const QList<QDateTime> firings = rig.runUntil(firstAction.addSecs(2));
        QCOMPARE(firings.value(0), firstAction);
        QCOMPARE(firings.size(), 3); // and every second after
        if (lead > 0)
            QCOMPARE(rig.warnedAt.last(), entered.addSecs(1));
        else
            QVERIFY(rig.warnedAt.isEmpty());
    }

    // A forced action that ends programs says so while there is time to save.
    void warningSaysWhenProgramsAreClosedUnasked_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("forced");
        QTest::addColumn<bool>("said");
        QTest::newRow("forced shut-down") << int(ActionKind::ShutDown) << true << true;
        QTest::newRow("forced restart") << int(ActionKind::Restart) << true << true;
        QTest::newRow("log off, which always asks") << int(ActionKind::LogOff) << true << false;
        QTest::newRow("plain shut-down") << int(ActionKind::ShutDown) << false << false;
        QTest::newRow("forced lock") << int(ActionKind::Lock) << true << false;
    }
    void warningSaysWhenProgramsAreClosedUnasked()
    {
        QFETCH(int, action);
        QFETCH(bool, forced);
        QFETCH(bool, said);
        Rig rig;
        rig.scheduler.setForcedSource([forced] { return forced; });
        rig.store(dailyRow(0, QTime(8, 0), action));
        rig.scheduler.selectNextTask();
        rig.runUntil(at(7, 59, 30));
        QCOMPARE(rig.warnings.size(), 1);
        QCOMPARE(warningBody(rig.warnings.first()).contains(QStringLiteral("save your work")), said);
    }

    // A Daily task the system refuses each day is told each day, not only the first.
    void refusedTaskIsToldEachDay()
    {
        Rig rig;
        rig.store(dailyRow(0, QTime(8, 0), 6));
        rig.scheduler.selectNextTask();
        QSignalSpy told(&rig.actions, &ActionExecutor::problem);
        for (int day = 0; day < 2; ++day) {
            QCOMPARE(rig.runUntil(at(8, 0, 0, day)).size(), 1);
            rig.platform.endRunning(Outcome::failure(QStringLiteral("Access denied by policy")));
        }
        QCOMPARE(told.size(), 2);
    }

    // The computer asleep, or the clock set, from within the warning to past
    // the period's start: the warning goes, whether the period is over by
    // then (nothing done) or still on (acting at once).
    void periodWarningGoesWhenTheClockPassesIt_data()
    {
        QTest::addColumn<QDateTime>("resumed");
        QTest::addColumn<bool>("acts");
        QTest::newRow("past the period") << at(6, 30, 0, 1) << false;
        QTest::newRow("into the period") << at(23, 0) << true;
    }
    void periodWarningGoesWhenTheClockPassesIt()
    {
        QFETCH(QDateTime, resumed);
        QFETCH(bool, acts);
        Rig rig;
        rig.platform.setNow(at(21, 58));
        rig.store(periodRow(0, QTime(22, 0), QTime(6, 0)));
        rig.guard.loadForbiddenPeriod();
        rig.runUntil(at(21, 59, 30));
        QCOMPARE(rig.warnings.size(), 1);
        QSignalSpy retracted(&rig.desk, &WarningDesk::warningRetracted);
        rig.platform.setNow(resumed);
        rig.guard.enforceForbiddenPeriod();
        QCOMPARE(retracted.size(), 1);
        QCOMPARE(retracted.first().first().toString(), rig.warnings.first().key);
        QVERIFY(!rig.desk.isOpen(rig.warnings.first().key));
        QCOMPARE(rig.platform.started.isEmpty(), !acts);
    }

    // The period changed while its warning shows: the warning goes, and what
    // comes instead is warned of anew.
    void periodChangedDuringItsWarning_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QList<QDateTime>>("warnedAt");
        QTest::addColumn<QStringList>("helpers"); // started up to 22:30
        QTest::newRow("deleted") << "delete" << QList<QDateTime>{at(21, 59)} << QStringList{};
        QTest::newRow("made a hibernation") << "hibernate" << QList<QDateTime>{at(21, 59), at(21, 59, 31)}
                                            << QStringList{};
        QTest::newRow("moved to 22:15") << "22:15" << QList<QDateTime>{at(21, 59), at(22, 14)}
                                        << QStringList{"guan_f.dll"};
    }
    void periodChangedDuringItsWarning()
    {
        QFETCH(QString, change);
        QFETCH(QList<QDateTime>, warnedAt);
        QFETCH(QStringList, helpers);
        Rig rig;
        rig.platform.setNow(at(21, 58));
        const qint64 id = rig.store(periodRow(0, QTime(22, 0), QTime(6, 0)));
        rig.guard.loadForbiddenPeriod();
        rig.runUntil(at(21, 59, 30));
        QCOMPARE(rig.warnings.size(), 1);
        const QString key = rig.warnings.first().key;
        QVERIFY(deleteRow(rig.dir.databasePath(), id));
        if (change == QLatin1String("hibernate"))
            rig.store(periodRow(0, QTime(22, 0), QTime(6, 0), 2));
        else if (change != QLatin1String("delete"))
            rig.store(periodRow(0, QTime::fromString(change), QTime(6, 0)));
        rig.guard.loadForbiddenPeriod();
        QVERIFY(!rig.desk.isOpen(key));
        rig.runUntil(at(22, 30));
        QCOMPARE(rig.warnedAt, warnedAt);
        QStringList started;
        for (const QString& path : rig.platform.started)
            started << path.section(QLatin1Char('/'), -1);
        QCOMPARE(started.mid(0, 1), helpers);
    }

    void periodAnswers_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QDateTime>("firstAction");
        QTest::newRow("cancel: tomorrow night") << true << at(22, 0, 0, 1);
        QTest::newRow("postpone: ten minutes later") << false << at(22, 10);
    }
    void periodAnswers()
    {
        QFETCH(bool, cancel);
        QFETCH(QDateTime, firstAction);
        Rig rig;
        rig.platform.setNow(at(21, 58));
        rig.store(periodRow(0, QTime(22, 0), QTime(6, 0)));
        rig.guard.loadForbiddenPeriod();
        rig.runUntil(at(21, 59, 30));
        QCOMPARE(rig.warnings.size(), 1);
        const QString key = rig.warnings.first().key;
        cancel ? rig.guard.cancelOccurrence(key) : rig.guard.postponeOccurrence(key);
        const QList<QDateTime> firings = rig.runUntil(firstAction);
        QCOMPARE(firings, QList<QDateTime>{firstAction});
    }

    void periodOccurrenceEnds_data()
    {
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QTime>("stop");
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QDateTime>("end");
        QTest::newRow("same day") << QTime(9, 0) << QTime(10, 0) << at(9, 30) << at(10, 0, 1);
        QTest::newRow("night, evening part")
            << QTime(22, 0) << QTime(6, 0) << at(22, 0) << at(6, 0, 1, 1);
        QTest::newRow("night, morning part")
            << QTime(22, 0) << QTime(6, 0) << at(5, 0) << at(6, 0, 1);
        // Berlin's clock jumps from 02:00 to 03:00, and back from 03:00 to 02:00.
        const QDate spring(2027, 3, 28), autumn(2027, 10, 31);
        const auto utc = [](QDate d, QTime t) { return QDateTime(d, t, Qt::UTC).toLocalTime(); };
        QTest::newRow("spring: stop in the skipped hour")
            << QTime(1, 0) << QTime(2, 30) << utc(spring, QTime(0, 0)) << utc(spring, QTime(1, 0));
        QTest::newRow("spring: over the jump")
            << QTime(1, 0) << QTime(4, 0) << utc(spring, QTime(0, 0)) << utc(spring, QTime(2, 0, 1));
        QTest::newRow("autumn: over the repeated hour")
            << QTime(1, 0) << QTime(4, 0) << utc(autumn.addDays(-1), QTime(23, 0)) << utc(autumn, QTime(3, 0, 1));
        QTest::newRow("autumn: stop before the repeat")
            << QTime(1, 0) << QTime(2, 45) << utc(autumn.addDays(-1), QTime(23, 0)) << utc(autumn, QTime(0, 45, 1));
        QTest::newRow("autumn: in the hour shown again")
            << QTime(2, 30) << QTime(2, 45) << utc(autumn, QTime(1, 30)) << utc(autumn, QTime(1, 45, 1));
    }
    void periodOccurrenceEnds()
    {
        QFETCH(QTime, start);
        QFETCH(QTime, stop);
        QFETCH(QDateTime, moment);
        QFETCH(QDateTime, end);
        const auto period = periodInForce({periodRow(1, start, stop)});
        QVERIFY(period);
        QCOMPARE(periodOccurrenceEnd(*period, moment), end);
    }
};

QTEST_GUILESS_MAIN(TestWarningTiming)
#include "tst_warningtiming.moc"
