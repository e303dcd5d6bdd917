#include "SchedulerRig.h"
#include "common/ActionKind.h"
#include "countdown/PowerOnCycle.h"
#include "countdown/WakeWaits.h"
#include "scheduler/TaskScheduler.h"
#include "support/Zone.h"

#include <QTest>
#include <QTimeZone>
#include <QTimer>

#include <algorithm>

using namespace zelkor;
using namespace zelkor::test;

namespace
{
constexpr qint64 kWindow = 2 * 3600; // second by second this close to a clock change
constexpr qint64 kDay = 86400;

QDateTime at(qint64 utcSeconds)
{
    return QDateTime::fromSecsSinceEpoch(utcSeconds);
}
qint64 wallOf(QDate date, QTime time)
{
    return QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
}

// The zone's offsets between its changes, from Qt's own zone data: when the
// wall clock shows a date and time, found apart from the program's way.
class ZoneOracle
{
public:
    ZoneOracle(const QByteArray& zone, qint64 from, qint64 to) : m_zone(zone)
    {
        qint64 start = from - 3 * kDay;
        int offset = m_zone.offsetFromUtc(at(start));
        for (const QTimeZone::OffsetData& change :
             m_zone.transitions(at(start), at(to + 3 * kDay))) {
            m_spans.append({start, change.atUtc.toSecsSinceEpoch(), offset});
            start = change.atUtc.toSecsSinceEpoch();
            offset = change.offsetFromUtc;
        }
        m_spans.append({start, to + 3 * kDay, offset});
    }

    QList<qint64> changes() const
    {
        QList<qint64> list;
        for (qsizetype i = 1; i < m_spans.size(); ++i)
            list << m_spans[i].start;
        return list;
    }

    // The moment a task due at `date` `time` runs in a program started at
    // `from`: the first showing still to come; a skipped time runs with the
    // offset from before the change, as far after it as it was skipped.
    std::optional<qint64> dueAfter(QDate date, QTime time, qint64 from) const
    {
        const qint64 wall = wallOf(date, time);
        for (qsizetype i = 0; i < m_spans.size(); ++i) {
            const Span& span = m_spans[i];
            const qint64 t = wall - span.offset;
            if (t >= span.start && t < span.end && t > from)
                return t;
            const bool skipped = i + 1 < m_spans.size() && span.end + span.offset <= wall &&
                                 wall < m_spans[i + 1].start + m_spans[i + 1].offset;
            if (skipped && t > from)
                return t;
        }
        return std::nullopt;
    }

private:
    struct Span {
        qint64 start = 0, end = 0;
        int offset = 0;
    };
    QTimeZone m_zone;
    QList<Span> m_spans;
};

// The tasks of a simulated span: every kind at the times around the clock
// changes of both zones, Once and Monthly tasks on the days of the changes.
struct Plan {
    QList<TaskRow> rows;
    QStringList labels;
    QList<std::function<bool(QDate)>> onDay; // whether each row occurs on a date
};

void plan(Plan& p, TaskRow row, const QString& label, std::function<bool(QDate)> onDay)
{
    p.rows << withText(row, false, label);
    p.labels << label;
    p.onDay << std::move(onDay);
}

Plan makePlan(const QList<QDate>& changeDays)
{
    Plan p;
    const int launch = int(ActionKind::EventsRemind), powerOn = int(ActionKind::PowerOn);
    const auto everyDay = [](QDate) { return true; };
    const auto sunday = [](QDate d) { return d.dayOfWeek() == 7; };
    const auto weekend = [](QDate d) { return d.dayOfWeek() >= 6; };
    for (const QTime t : {QTime(1, 30), QTime(2, 30)})
        plan(p, dailyRow(0, t, launch), QStringLiteral("daily-") + t.toString(), everyDay);
    for (const QTime t : {QTime(2, 0), QTime(3, 0)}) // the skipped 02:00 ties with 03:00
        plan(p, weeklyRow(0, t, {1}, launch), QStringLiteral("weekly-") + t.toString(), sunday);
    plan(p, weeklyRow(0, QTime(1, 59, 59), {1, 7}, launch), QStringLiteral("weekend-01:59:59"),
         weekend);
    plan(p, dailyRow(0, QTime(2, 15), powerOn), QStringLiteral("power-daily-02:15"), everyDay);
    plan(p, weeklyRow(0, QTime(1, 45), {1}, powerOn), QStringLiteral("power-weekly-01:45"), sunday);
    for (const QDate day : changeDays) {
        const int dom = day.day();
        const auto monthly = [dom](QDate d) { return d.day() == dom; };
        const QString on = day.toString(Qt::ISODate);
        for (const QTime t : {QTime(1, 30), QTime(2, 30)})
            plan(p, monthlyRow(0, t, day, launch),
                 QStringLiteral("monthly-%1-").arg(dom) + t.toString(), monthly);
        plan(p, monthlyRow(0, QTime(2, 45), day, powerOn),
             QStringLiteral("power-monthly-%1").arg(dom), monthly);
        for (const QTime t : {QTime(1, 30), QTime(2, 0), QTime(2, 30), QTime(3, 0)}) {
            const auto once = [day](QDate d) { return d == day; };
            const TaskRow row = taskRow(0, 1, launch, daynum::fromDate(day) + daynum::fromTime(t));
            plan(p, row, QStringLiteral("once-%1-").arg(on) + t.toString(), once);
            TaskRow power = row;
            power.action = powerOn;
            plan(p, power, QStringLiteral("power-once-%1-").arg(on) + t.toString(), once);
        }
    }
    return p;
}

// Runs the scheduler and the power-on cycle over the span: the clock jumps
// from one due moment to the next, ticks second by second near each due
// moment and each clock change, and near a change the selection pass and the
// power-on search run again every minute, as after a change of the tasks.
class YearRun
{
public:
    YearRun(qint64 from, qint64 to, QList<qint64> changes)
        : m_end(to), m_changes(std::move(changes))
    {
        rig.platform.setNow(at(from));
        rig.platform.wake.onArm = [this](qint64 seconds) {
            m_wakeAt = rig.platform.now().toSecsSinceEpoch() + seconds;
            QTimer::singleShot(0, &cycle, [this] { drive(); });
        };
    }

    QStringList run()
    {
        scheduler.selectNextTask();
        cycle.start();
        if (!QTest::qWaitFor([this] { return m_finished && !cycle.isRunning(); }, 60000))
            m_effects << QStringLiteral("the run did not finish");
        return m_effects;
    }

    SchedulerRig rig;
    WakeWaits waits{rig.platform};
    PowerOnCycle cycle{rig.platform, rig.state, rig.actions, waits};
    TaskScheduler scheduler{rig.platform, rig.state, rig.actions};

private:
    qint64 now() const { return rig.platform.now().toSecsSinceEpoch(); }
    bool nearChange(qint64 t) const
    {
        return std::any_of(m_changes.cbegin(), m_changes.cend(),
                           [t](qint64 c) { return t >= c - kWindow && t <= c + kWindow; });
    }
    void note()
    {
        for (const QString& target : rig.platform.opened.mid(m_seen))
            m_effects << target + QLatin1Char('@') + QString::number(now());
        m_seen = rig.platform.opened.size();
    }
    void tick()
    {
        scheduler.fireDueTask();
        note();
    }

    // Runs until the cycle has something to do: its wait ends, or it is to
    // search again.
    void drive()
    {
        note();
        for (;;) {
            if (now() >= m_end) {
                m_finished = true;
                cycle.stop();
                return;
            }
            if (!nearChange(now())) {
                qint64 next = std::min(m_end, m_wakeAt);
                if (scheduler.isPolling())
                    next = std::min(next, scheduler.selection().nextTime.toSecsSinceEpoch());
                for (qint64 change : m_changes)
                    if (change - kWindow > now())
                        next = std::min(next, change - kWindow);
                if (next - now() > 2) {
                    rig.platform.setNow(at(next - 2)); // time passes without a tick
                    tick();
                    continue;
                }
            }
            rig.platform.advanceSecond();
            tick();
            if (now() >= m_wakeAt) {
                rig.platform.wake.fire();
                return;
            }
            if (nearChange(now()) && now() % 60 == 0) {
                scheduler.selectNextTask();
                cycle.start();
                return;
            }
        }
    }

    qint64 m_end = 0;
    QList<qint64> m_changes;
    qint64 m_wakeAt = std::numeric_limits<qint64>::max();
    qsizetype m_seen = 0;
    bool m_finished = false;
    QStringList m_effects; // "label@seconds since 1970"
};
} // namespace

// A simulated year, or the days after a start in the hour shown twice, in
// both zones: every task fires exactly once for each moment it is due, at
// that moment, in order; of tasks due in the same second the newest first.
class TestSimulatedYear : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { useDefaultZone(); }

    void everyTaskOncePerDueMoment_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("from"); // UTC
        QTest::addColumn<QDateTime>("to");
        const QByteArray berlin("Europe/Berlin"), newYork("America/New_York");
        for (int year : {2026, 2027}) {
            const QDateTime from = utcAt(QDate(year, 1, 1), QTime(0, 0));
            const QDateTime to = utcAt(QDate(year + 1, 1, 1), QTime(0, 0));
            QTest::addRow("Berlin %d", year) << berlin << from << to;
            QTest::addRow("New York %d", year) << newYork << from << to;
        }
        QTest::newRow("Berlin, started at 02:05 shown the second time")
            << berlin << utcAt(QDate(2026, 10, 25), QTime(1, 5))
            << utcAt(QDate(2026, 11, 2), QTime(0, 0));
        QTest::newRow("New York, started at 01:05 shown the second time")
            << newYork << utcAt(QDate(2027, 11, 7), QTime(6, 5))
            << utcAt(QDate(2027, 11, 15), QTime(0, 0));
    }
    void everyTaskOncePerDueMoment()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        useZone(zone);
        const ZoneOracle oracle(zone, from.toSecsSinceEpoch(), to.toSecsSinceEpoch());
        QList<QDate> changeDays;
        for (qint64 change : oracle.changes())
            if (change > from.toSecsSinceEpoch() - kDay && change < to.toSecsSinceEpoch())
                changeDays << at(change).date();
        QVERIFY(!changeDays.isEmpty());
        const Plan p = makePlan(changeDays);

        YearRun year(from.toSecsSinceEpoch(), to.toSecsSinceEpoch(), oracle.changes());
        QList<qint64> ids;
        for (const TaskRow& row : p.rows)
            ids << year.rig.store(row);

        // What is due, and when: newest first within a second.
        QList<std::tuple<qint64, qint64, QString>> due; // moment, -id, label
        for (QDate d = from.date().addDays(-1); d <= to.date(); d = d.addDays(1))
            for (qsizetype i = 0; i < p.rows.size(); ++i)
                if (p.onDay[i](d))
                    if (const auto t = oracle.dueAfter(d, daynum::timePart(*p.rows[i].startValue()),
                                                       from.toSecsSinceEpoch());
                        t && *t <= to.toSecsSinceEpoch())
                        due.append({*t, -ids[i], p.labels[i]});
        std::sort(due.begin(), due.end());
        QStringList expected;
        for (const auto& [moment, id, label] : due)
            expected << label + QLatin1Char('@') + QString::number(moment);

        const QStringList effects = year.run();
        const auto momentOf = [](const QString& e) {
            return e.section(QLatin1Char('@'), 1).toLongLong();
        };
        const auto tasksOnly = [](QStringList list) {
            list.removeIf([](const QString& e) { return e.startsWith(QStringLiteral("power-")); });
            return list;
        };
        QCOMPARE(tasksOnly(effects), tasksOnly(expected));
        // Power On tasks due in the same second follow in the query's order:
        // their moments and their order in time count.
        const QStringList powerSeen = effects.filter(QStringLiteral("power-"));
        QVERIFY(std::is_sorted(
            powerSeen.cbegin(), powerSeen.cend(),
            [&](const QString& a, const QString& b) { return momentOf(a) < momentOf(b); }));
        QStringList powerSorted = powerSeen, powerDue = expected.filter(QStringLiteral("power-"));
        std::sort(powerSorted.begin(), powerSorted.end());
        std::sort(powerDue.begin(), powerDue.end());
        QCOMPARE(powerSorted, powerDue);
    }
};

QTEST_GUILESS_MAIN(TestSimulatedYear)
#include "tst_simulatedyear.moc"
