#include "guard/Occurrences.h"

#include "common/DayNumber.h"
#include "guard/WarningDesk.h"

#include <QTimeZone>

#include <algorithm>

namespace zelkor
{

namespace
{
qint64 firstTaskId(const Selection& s) { return s.due.isEmpty() ? 0 : s.due.first().taskId; }

// The changes of the local time around `whole`: the first second after each.
QList<QDateTime> clockChangesAround(const QDateTime& whole)
{
    QList<QDateTime> changes;
    const QTimeZone zone = QTimeZone::systemTimeZone();
    for (const QTimeZone::OffsetData& change : zone.transitions(whole.addDays(-1), whole.addDays(2)))
        changes.append(change.atUtc.toLocalTime());
    return changes;
}
} // namespace

int warnedAction(const Selection& occurrence)
{
    // A power action among the coinciding tasks is what the warning is about.
    for (const DueTask& task : occurrence.due)
        if (isWarnedAction(task.action))
            return task.action;
    return occurrence.due.isEmpty() ? 0 : occurrence.due.first().action;
}

void MovedOccurrences::move(const Selection& occurrence, const QDateTime& to)
{
    Selection moved = occurrence;
    moved.pollOn = true;
    moved.nextTime = to;
    m_moved.append(moved);
}

Selection MovedOccurrences::earlierOf(const Selection& next) const
{
    Selection best = next;
    for (const Selection& moved : m_moved)
        if (!best.pollOn || moved.nextTime < best.nextTime)
            best = moved;
    return best;
}

QList<Selection> MovedOccurrences::withMoved(QList<Selection> ahead, int leadSeconds) const
{
    ahead += m_moved;
    std::stable_sort(ahead.begin(), ahead.end(),
                     [](const Selection& a, const Selection& b) { return a.nextTime < b.nextTime; });
    if (!ahead.isEmpty()) {
        const QDateTime last = ahead.first().nextTime.addSecs(qMax(leadSeconds, 0));
        ahead.removeIf([&](const Selection& s) { return s.nextTime > last; });
    }
    return ahead;
}

void MovedOccurrences::dropFired(const Selection& fired)
{
    m_moved.removeIf([&](const Selection& s) {
        return s.nextTime == fired.nextTime && firstTaskId(s) == firstTaskId(fired);
    });
}

bool MovedOccurrences::holds(qint64 taskId, const QDateTime& at) const
{
    return std::any_of(m_moved.cbegin(), m_moved.cend(), [&](const Selection& s) {
        return s.nextTime == at &&
               std::any_of(s.due.cbegin(), s.due.cend(),
                           [&](const DueTask& task) { return task.taskId == taskId; });
    });
}

void MovedOccurrences::keepOnly(const QHash<qint64, DueTask>& current)
{
    for (Selection& s : m_moved)
        s.due.removeIf([&](const DueTask& task) {
            const auto now = current.constFind(task.taskId);
            return now == current.cend() || *now != task;
        });
    m_moved.removeIf([](const Selection& s) { return s.due.isEmpty(); });
}

QString occurrenceKey(const Selection& occurrence)
{
    // Named by its first power action's task, so that the occurrence warned
    // of ahead and the same second once it is next have one key.
    const Selection warned = warnedPart(occurrence);
    return kTaskWarningPrefix + QStringLiteral("%1:%2:%3")
        .arg(firstTaskId(warned.due.isEmpty() ? occurrence : warned))
        .arg(occurrence.nextTime.toSecsSinceEpoch())
        .arg(warnedAction(occurrence));
}

Selection warnedPart(const Selection& occurrence)
{
    Selection part = occurrence;
    part.due.removeIf([](const DueTask& task) { return !isWarnedAction(task.action); });
    return part;
}

QDateTime nextPeriodStart(const ForbiddenPeriod& period, const QDateTime& from)
{
    const QDateTime whole = QDateTime::fromSecsSinceEpoch(from.toSecsSinceEpoch());
    QDateTime first;
    const auto consider = [&](const QDateTime& at) {
        if (at >= whole && (!first.isValid() || at < first))
            first = at;
    };
    // Where the clock shows the start time today and tomorrow: twice where it
    // is put back over it, never in a skipped hour (which the resolver reads
    // as a moment showing another time).
    daynum::MomentResolver resolver;
    for (const QDate day : {whole.date(), whole.date().addDays(1)})
        if (const auto shown = resolver.showings(day, period.notStart))
            for (const qint64 seconds : {shown->first, shown->second}) {
                const QDateTime at = QDateTime::fromSecsSinceEpoch(seconds);
                if (at.time().secsTo(period.notStart) == 0)
                    consider(at);
            }
    // Where a change of the local time moves the clock into the period: past
    // a start in the skipped hour, or back into a period it had left.
    for (const QDateTime& change : clockChangesAround(whole))
        if (isInside(period, change.time()) && !isInside(period, change.addSecs(-1).time()))
            consider(change);
    return first;
}

QDateTime periodOccurrenceEnd(const ForbiddenPeriod& period, const QDateTime& moment)
{
    // Past midnight, a moment before the start belongs to the occurrence that
    // began the day before and ends today.
    const bool endsNextDay = !period.notSameDay && moment.time() >= period.notStart;
    const QDate last = endsNextDay ? moment.date().addDays(1) : moment.date();
    // As far on as the wall clock runs to the second after the stop...
    const qint64 wall = QDateTime(moment.date(), moment.time(), Qt::UTC)
                            .secsTo(QDateTime(last, period.notStop, Qt::UTC)) + 1;
    QDateTime end = moment.addSecs(wall);
    // ... less what a change of the local time on the way moved the clock: put
    // back, it shows the stop later; a clock that jumps past the stop leaves
    // the period as it jumps.
    for (const QDateTime& change : clockChangesAround(moment)) {
        if (change <= moment || change > end)
            continue;
        const int moved = change.offsetFromUtc() - change.addSecs(-1).offsetFromUtc();
        end = std::max(end.addSecs(-moved), change);
    }
    return end;
}

QString periodKey(const QDateTime& moment, int action)
{
    return kPeriodWarningPrefix + QStringLiteral("%1:%2").arg(moment.toSecsSinceEpoch()).arg(action);
}

bool holdsOff(const PeriodHold& hold, const QDateTime& now)
{
    return (hold.skipUntil.isValid() && now < hold.skipUntil) ||
           (hold.postponedTo.isValid() && now < hold.postponedTo);
}

QDateTime nextPeriodAction(const ForbiddenPeriod& period, const PeriodHold& hold,
                           const QDateTime& now)
{
    if (hold.postponedTo.isValid() && now < hold.postponedTo &&
        isInside(period, hold.postponedTo.time()) &&
        !(hold.skipUntil.isValid() && hold.postponedTo < hold.skipUntil))
        return hold.postponedTo;
    QDateTime start = nextPeriodStart(period, now.addSecs(1));
    if (hold.skipUntil.isValid() && start < hold.skipUntil)
        start = nextPeriodStart(period, hold.skipUntil);
    return start;
}

} // namespace zelkor
