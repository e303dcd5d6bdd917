#include "TaskRows.h"
#include "scheduler/NextTask.h"

#include <QTest>

using namespace zelkor;
using namespace zelkor::test;

namespace {
// Monday, 7 December 2026.
const QDate kMonday(2026, 12, 7);

QDateTime local(QDate d, QTime t) { return QDateTime(d, t); }
// A moment given with its offset, for the days the clocks change.
QDateTime withOffset(QDate d, QTime t, int hoursAheadOfUtc)
{
    return QDateTime(d, t, Qt::OffsetFromUTC, hoursAheadOfUtc * 3600);
}
} // namespace

class TestNextTask : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(qgetenv("TZ"), QByteArray("Europe/Berlin")); }

    void selection_data()
    {
        QTest::addColumn<QList<TaskRow>>("rows"); // newest first, as the query gives them
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("expected"); // invalid: the poll stays off
        QTest::addColumn<qint64>("expectedId");

        const QDateTime eight = local(kMonday, QTime(8, 0));
        const QDateTime off;

        QTest::newRow("empty table") << QList<TaskRow>{} << eight << off << qint64(0);
        QTest::newRow("only power-on tasks")
            << QList<TaskRow>{dailyRow(2, QTime(9, 0), 7), onceRow(1, eight.addSecs(60), 7)} << eight
            << off << qint64(0);
        QTest::newRow("only forbidden periods")
            << QList<TaskRow>{periodRow(2, QTime(9, 0), QTime(10, 0)), periodRow(1, QTime(1, 0), QTime(1, 0))}
            << eight << off << qint64(0);

        QTest::newRow("once one second ahead")
            << QList<TaskRow>{onceRow(1, eight.addSecs(1))} << eight << eight.addSecs(1) << qint64(1);
        QTest::newRow("once equal to now") << QList<TaskRow>{onceRow(1, eight)} << eight << off << qint64(0);
        QTest::newRow("once equal to now, milliseconds later")
            << QList<TaskRow>{onceRow(1, eight)} << eight.addMSecs(999) << off << qint64(0);
        QTest::newRow("once 40 days ahead")
            << QList<TaskRow>{onceRow(1, eight.addDays(40))} << eight << off << qint64(0);
        QTest::newRow("once 32 days ahead is at the horizon")
            << QList<TaskRow>{onceRow(1, eight.addDays(32))} << eight << off << qint64(0);
        QTest::newRow("once a second before the horizon")
            << QList<TaskRow>{onceRow(1, eight.addDays(32).addSecs(-1))} << eight
            << eight.addDays(32).addSecs(-1) << qint64(1);
        QTest::newRow("once passed while not running")
            << QList<TaskRow>{onceRow(1, eight.addDays(-1))} << eight << off << qint64(0);

        QTest::newRow("daily at 08:00 seen at 07:59:59")
            << QList<TaskRow>{dailyRow(1, QTime(8, 0))} << eight.addSecs(-1) << eight << qint64(1);
        QTest::newRow("daily at 08:00 seen at 08:00:00")
            << QList<TaskRow>{dailyRow(1, QTime(8, 0))} << eight << eight.addDays(1) << qint64(1);
        QTest::newRow("daily with a stored date part uses its time")
            << QList<TaskRow>{taskRow(1, 2, 1, dayNumber(local(QDate(2001, 5, 5), QTime(9, 15))))}
            << eight << local(kMonday, QTime(9, 15)) << qint64(1);

        QTest::newRow("weekly today only, time passed")
            << QList<TaskRow>{weeklyRow(1, QTime(7, 0), {2})} << eight
            << local(kMonday.addDays(7), QTime(7, 0)) << qint64(1);
        QTest::newRow("weekly today and tomorrow, time passed")
            << QList<TaskRow>{weeklyRow(1, QTime(7, 0), {2, 3})} << eight
            << local(kMonday.addDays(1), QTime(7, 0)) << qint64(1);
        QTest::newRow("weekly today, time ahead")
            << QList<TaskRow>{weeklyRow(1, QTime(9, 0), {2, 3})} << eight << local(kMonday, QTime(9, 0))
            << qint64(1);
        QTest::newRow("weekly Saturday and Sunday seen on Monday")
            << QList<TaskRow>{weeklyRow(1, QTime(9, 0), {1, 7})} << eight
            << local(kMonday.addDays(5), QTime(9, 0)) << qint64(1);
        QTest::newRow("weekly without a flag")
            << QList<TaskRow>{weeklyRow(1, QTime(9, 0), {})} << eight << off << qint64(0);

        const QDate day31(2026, 1, 31);
        QTest::newRow("monthly 31st seen on 30 April")
            << QList<TaskRow>{monthlyRow(1, QTime(8, 0), day31)} << local(QDate(2026, 4, 30), QTime(12, 0))
            << local(QDate(2026, 5, 31), QTime(8, 0)) << qint64(1);
        QTest::newRow("monthly 31st seen on 31 May after its time")
            << QList<TaskRow>{monthlyRow(1, QTime(8, 0), day31)} << local(QDate(2026, 5, 31), QTime(9, 0))
            << off << qint64(0); // 31 July is 61 days ahead
        QTest::newRow("monthly 31st seen on 31 July after its time")
            << QList<TaskRow>{monthlyRow(1, QTime(8, 0), day31)} << local(QDate(2026, 7, 31), QTime(9, 0))
            << local(QDate(2026, 8, 31), QTime(8, 0)) << qint64(1);
        QTest::newRow("monthly 31st seen on the 31st before its time")
            << QList<TaskRow>{monthlyRow(1, QTime(8, 0), day31)} << local(QDate(2026, 7, 31), QTime(7, 0))
            << local(QDate(2026, 7, 31), QTime(8, 0)) << qint64(1);
        QTest::newRow("monthly 29th in a leap February")
            << QList<TaskRow>{monthlyRow(1, QTime(8, 0), QDate(2026, 3, 29))}
            << local(QDate(2028, 1, 30), QTime(8, 0)) << local(QDate(2028, 2, 29), QTime(8, 0)) << qint64(1);
        QTest::newRow("monthly 29th when February lacks it")
            << QList<TaskRow>{monthlyRow(1, QTime(8, 0), QDate(2026, 3, 29))}
            << local(QDate(2027, 1, 30), QTime(8, 0)) << off << qint64(0);

        const QList<TaskRow> sameSecond{onceRow(5, eight.addSecs(60), 2), dailyRow(3, QTime(8, 1), 1)};
        QTest::newRow("two tasks in one second: the higher id")
            << sameSecond << eight << eight.addSecs(60) << qint64(5);
        QTest::newRow("an earlier task beats a newer one")
            << QList<TaskRow>{onceRow(5, eight.addSecs(120)), dailyRow(3, QTime(8, 1))} << eight
            << eight.addSecs(60) << qint64(3);

        TaskRow noType = dailyRow(9, QTime(8, 0, 30));
        noType.type = QVariant();
        TaskRow noStart = dailyRow(8, QTime(8, 0, 30));
        noStart.starttime = QVariant();
        TaskRow textStart = dailyRow(7, QTime(8, 0, 30));
        textStart.starttime = QStringLiteral("08:00:30");
        TaskRow textType = weeklyRow(6, QTime(8, 0, 30), {2});
        textType.type = QStringLiteral("weekly");
        TaskRow noDay = monthlyRow(5, QTime(8, 0, 30), kMonday);
        noDay.day = QVariant();
        TaskRow hugeStart = onceRow(4, eight);
        hugeStart.starttime = 1e300;
        TaskRow unknownType = dailyRow(3, QTime(8, 0, 30));
        unknownType.type = 7;
        const QList<TaskRow> garbage{noType, noStart, textStart, textType, noDay, hugeStart, unknownType};
        QTest::newRow("unreadable rows offer nothing") << garbage << eight << off << qint64(0);
        QTest::newRow("unreadable rows beside a good one")
            << (garbage + QList<TaskRow>{dailyRow(1, QTime(9, 0))}) << eight << local(kMonday, QTime(9, 0))
            << qint64(1);

        // The clocks skip 02:00-03:00 on 29 March 2026 and show it twice on 25 October.
        const QDate spring(2026, 3, 29);
        const QDate autumn(2026, 10, 25);
        QTest::newRow("spring: skipped 02:30 comes at 03:30")
            << QList<TaskRow>{dailyRow(1, QTime(2, 30))} << local(spring, QTime(1, 0))
            << withOffset(spring, QTime(3, 30), 2) << qint64(1);
        QTest::newRow("spring: 03:15 stays before the skipped 02:30")
            << QList<TaskRow>{dailyRow(2, QTime(2, 30)), dailyRow(1, QTime(3, 15))}
            << local(spring, QTime(1, 0)) << withOffset(spring, QTime(3, 15), 2) << qint64(1);
        QTest::newRow("spring: seen at 03:00, the skipped 02:30 is still ahead")
            << QList<TaskRow>{dailyRow(1, QTime(2, 30))} << withOffset(spring, QTime(3, 0), 2)
            << withOffset(spring, QTime(3, 30), 2) << qint64(1);
        QTest::newRow("autumn: 02:30 at its first showing")
            << QList<TaskRow>{dailyRow(1, QTime(2, 30))} << local(autumn, QTime(1, 0))
            << withOffset(autumn, QTime(2, 30), 2) << qint64(1);
        QTest::newRow("autumn: in the repeated hour, 02:30 shows again")
            << QList<TaskRow>{dailyRow(1, QTime(2, 30))} << withOffset(autumn, QTime(2, 10), 1)
            << withOffset(autumn, QTime(2, 30), 1) << qint64(1);
        QTest::newRow("autumn: 01:30 once")
            << QList<TaskRow>{dailyRow(1, QTime(1, 30))} << local(autumn, QTime(0, 0))
            << withOffset(autumn, QTime(1, 30), 2) << qint64(1);
        QTest::newRow("autumn: horizon counts calendar days")
            << QList<TaskRow>{onceRow(1, local(autumn.addDays(31), QTime(7, 59, 59)))}
            << local(autumn.addDays(-1), QTime(8, 0)) << local(autumn.addDays(31), QTime(7, 59, 59))
            << qint64(1);
    }
    void selection()
    {
        QFETCH(QList<TaskRow>, rows);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, expected);
        QFETCH(qint64, expectedId);
        const Selection s = selectNext(rows, now);
        QCOMPARE(s.pollOn, expected.isValid());
        if (!expected.isValid())
            return;
        QCOMPARE(s.nextTime.toSecsSinceEpoch(), expected.toSecsSinceEpoch());
        QCOMPARE(s.nextTime.offsetFromUtc(), expected.offsetFromUtc());
        QCOMPARE(s.due.first().taskId, expectedId);
    }

    void carriesWhatFiringNeeds_data()
    {
        QTest::addColumn<TaskRow>("row");
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("showsMessage");
        QTest::addColumn<QString>("description");
        const QDateTime at = local(kMonday, QTime(9, 0));
        QTest::newRow("message") << withText(onceRow(1, at, 8), true, QStringLiteral("Tea")) << 8 << true
                                 << QStringLiteral("Tea");
        QTest::newRow("launch") << withText(onceRow(1, at, 8), false, QStringLiteral("/usr/bin/true")) << 8
                                << false << QStringLiteral("/usr/bin/true");
        QTest::newRow("Null description") << withText(onceRow(1, at, 8), true, QVariant()) << 8 << true
                                          << QString();
        QTest::newRow("action beyond 16 bits") << onceRow(1, at, 70000) << 0 << false << QString();
        TaskRow textAction = onceRow(1, at);
        textAction.action = QStringLiteral("shut");
        QTest::newRow("action as text") << textAction << 0 << false << QString();
    }
    void carriesWhatFiringNeeds()
    {
        QFETCH(TaskRow, row);
        QFETCH(int, action);
        QFETCH(bool, showsMessage);
        QFETCH(QString, description);
        const Selection s = selectNext({row}, local(kMonday, QTime(8, 0)));
        QVERIFY(s.pollOn);
        QCOMPARE(s.due.first().action, action);
        QCOMPARE(s.due.first().showsMessage, showsMessage);
        QCOMPARE(s.due.first().description, description);
    }

    void firedOccurrenceIsNotOfferedAgain_data()
    {
        QTest::addColumn<TaskRow>("row");
        QTest::addColumn<QDateTime>("firedAt");
        QTest::addColumn<QDateTime>("recordedAt"); // later than firedAt: cancelled ahead
        QTest::addColumn<QDateTime>("now");        // the clock was set back
        QTest::addColumn<QDateTime>("expected");
        const QDateTime eight = local(kMonday, QTime(8, 0));
        QTest::newRow("daily moves to tomorrow")
            << dailyRow(1, QTime(8, 0)) << eight << eight << eight.addSecs(-1800) << eight.addDays(1);
        QTest::newRow("once is done") << onceRow(1, eight) << eight << eight << eight.addSecs(-1800) << QDateTime();
        QTest::newRow("weekly moves to its next day")
            << weeklyRow(1, QTime(8, 0), {2, 4}) << eight << eight << eight.addSecs(-60) << eight.addDays(2);
        QTest::newRow("a later time of the same task still comes")
            << dailyRow(1, QTime(8, 30)) << eight << eight << eight.addSecs(-1800) << eight.addSecs(1800);
        // Cancelled at 07:59 at its warning: 08:00 stays cancelled, also
        // after the clock is set back, but a time the task was moved to
        // since, before 08:00 and still ahead, comes.
        const QDateTime warned = eight.addSecs(-60);
        QTest::newRow("cancelled ahead") << dailyRow(1, QTime(8, 0)) << eight << warned
                                         << warned.addSecs(10) << eight.addDays(1);
        QTest::newRow("cancelled ahead, clock set back")
            << dailyRow(1, QTime(8, 0)) << eight << warned << eight.addSecs(-3600) << eight.addDays(1);
        QTest::newRow("cancelled ahead, then moved earlier")
            << dailyRow(1, QTime(7, 59, 30)) << eight << warned << warned.addSecs(10)
            << eight.addSecs(-30);
        QTest::newRow("cancelled once, then moved earlier")
            << onceRow(1, eight.addSecs(-30)) << eight << warned << warned.addSecs(10)
            << eight.addSecs(-30);
        QTest::newRow("cancelled ahead, moved to a time already past when cancelled")
            << dailyRow(1, QTime(7, 58)) << eight << warned << eight.addSecs(-3600) << eight.addDays(1).addSecs(-120);
    }
    void firedOccurrenceIsNotOfferedAgain()
    {
        QFETCH(TaskRow, row);
        QFETCH(QDateTime, firedAt);
        QFETCH(QDateTime, recordedAt);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, expected);
        FiredMoments fired;
        fired.insert(1, {firedAt.toSecsSinceEpoch(), recordedAt.toSecsSinceEpoch()});
        const Selection s = selectNext({row, onceRow(2, QDateTime(kMonday.addDays(10), QTime(9, 0)))}, now, fired);
        if (!expected.isValid()) {
            QCOMPARE(s.due.first().taskId, qint64(2)); // only the other task is left
            return;
        }
        QCOMPARE(s.due.first().taskId, qint64(1));
        QCOMPARE(s.nextTime, expected);
    }

    // A time the clock shows twice, first weighed by this run after its first
    // showing while the clock still shows the first pass, has passed (a
    // restart due then may have run in the run before); first weighed in the
    // second pass, or changed since, it comes at its second showing.
    void repeatedTimeFirstWeighedLate_data()
    {
        QTest::addColumn<bool>("once");
        QTest::addColumn<QDateTime>("firstWeighed"); // the task at 02:30
        QTest::addColumn<QDateTime>("then");
        QTest::addColumn<QTime>("timeThen");
        QTest::addColumn<QDateTime>("expected"); // seen then
        const QDate autumn(2026, 10, 25);
        const QTime half(2, 30);
        for (const bool once : {false, true}) {
            const char* kind = once ? "Once" : "Daily";
            QTest::addRow("%s, weighed at 02:29 of the first pass", kind)
                << once << withOffset(autumn, QTime(2, 29), 2) << withOffset(autumn, QTime(2, 29, 30), 2) << half
                << withOffset(autumn, half, 2);
            QTest::addRow("%s, weighed at 02:32 of the first pass (a start)", kind)
                << once << withOffset(autumn, QTime(2, 32), 2) << withOffset(autumn, QTime(2, 10), 1) << half
                << (once ? QDateTime() : withOffset(autumn.addDays(1), half, 1));
            QTest::addRow("%s, weighed at 02:10 of the second pass (added then)", kind)
                << once << withOffset(autumn, QTime(2, 10), 1) << withOffset(autumn, QTime(2, 11), 1) << half
                << withOffset(autumn, half, 1);
            QTest::addRow("%s, weighed at 02:32 of the first pass, changed to 02:45 in the second", kind)
                << once << withOffset(autumn, QTime(2, 32), 2) << withOffset(autumn, QTime(2, 10), 1)
                << QTime(2, 45) << withOffset(autumn, QTime(2, 45), 1);
        }
    }
    void repeatedTimeFirstWeighedLate()
    {
        QFETCH(bool, once);
        QFETCH(QDateTime, firstWeighed);
        QFETCH(QDateTime, then);
        QFETCH(QTime, timeThen);
        QFETCH(QDateTime, expected);
        const auto rowAt = [once](QTime t) {
            return once ? onceRow(1, local(QDate(2026, 10, 25), t)) : dailyRow(1, t);
        };
        FiredMoments fired;
        selectNext({rowAt(QTime(2, 30))}, firstWeighed, fired);
        const Selection s = selectNext({rowAt(timeThen)}, then, fired);
        QCOMPARE(s.pollOn, expected.isValid());
        if (expected.isValid())
            QCOMPARE(s.nextTime.toSecsSinceEpoch(), expected.toSecsSinceEpoch());
    }

    void isDueComparesWholeSeconds_data()
    {
        QTest::addColumn<int>("msFromDue");
        QTest::addColumn<bool>("due");
        QTest::newRow("a millisecond early") << -1 << false;
        QTest::newRow("a second early") << -1000 << false;
        QTest::newRow("at the second") << 0 << true;
        QTest::newRow("late in the second") << 999 << true;
        QTest::newRow("two hours late") << 7200000 << true;
    }
    void isDueComparesWholeSeconds()
    {
        QFETCH(int, msFromDue);
        QFETCH(bool, due);
        const QDateTime at = local(kMonday, QTime(8, 0));
        QCOMPARE(isDue(at, at.addMSecs(msFromDue)), due);
    }
};

QTEST_GUILESS_MAIN(TestNextTask)
#include "tst_nexttask.moc"
