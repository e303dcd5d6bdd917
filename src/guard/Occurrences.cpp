#include "guard/Occurrences.h"

#include <QTimeZone>

namespace zelkor
{

namespace
{
qint64 firstTaskId(const Selection& s) { return s.due.isEmpty() ? 0 : s.due.first().taskId; }

// The first moment the wall clock shows `time` or later on `date`. A time in
// the hour skipped when summer time begins is never shown: the clock passes
// it when it jumps, and that is when a period starting then begins.
QDateTime firstShowing(QDate date, QTime time)
{
    const QDateTime at(date, time);
    if (at.isValid())
        return at;
    const QDateTime dayBefore(date.addDays(-1), QTime(12, 0));
    const QDateTime jump = QTimeZone::systemTimeZone().nextTransition(dayBefore).atUtc.toLocalTime();
    return jump.date() == date && jump.time() > time ? jump : at;
}
} // namespace

int warnedAction(const Selection& occurrence)
{
    // A power action among the coinciding tasks is what the warning is about.
    for (const DueTask& task : occurrence.due)
        if (task.action >= 1 && task.action <= 6)
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

void MovedOccurrences::dropFired(const Selection& fired)
{
    m_moved.removeIf([&](const Selection& s) {
        return s.nextTime == fired.nextTime && firstTaskId(s) == firstTaskId(fired);
    });
}

void MovedOccurrences::keepOnly(const QSet<qint64>& taskIds)
{
    for (Selection& s : m_moved)
        s.due.removeIf([&](const DueTask& task) { return !taskIds.contains(task.taskId); });
    m_moved.removeIf([](const Selection& s) { return s.due.isEmpty(); });
}

QString occurrenceKey(const Selection& occurrence)
{
    return QStringLiteral("task:%1:%2")
        .arg(firstTaskId(occurrence))
        .arg(occurrence.nextTime.toSecsSinceEpoch());
}

QDateTime nextPeriodStart(const ForbiddenPeriod& period, const QDateTime& from)
{
    const QDateTime whole = QDateTime::fromSecsSinceEpoch(from.toSecsSinceEpoch());
    QDateTime start = firstShowing(whole.date(), period.notStart);
    if (!start.isValid() || start < whole)
        start = firstShowing(whole.date().addDays(1), period.notStart);
    return start;
}

QDateTime periodOccurrenceEnd(const ForbiddenPeriod& period, const QDateTime& moment)
{
    // Past midnight, a moment before the start belongs to the occurrence that
    // began the day before and ends today.
    const bool endsNextDay = !period.notSameDay && moment.time() >= period.notStart;
    const QDate last = endsNextDay ? moment.date().addDays(1) : moment.date();
    return QDateTime(last, period.notStop).addSecs(1);
}

QString periodKey(const QDateTime& moment)
{
    return QStringLiteral("period:%1").arg(moment.toSecsSinceEpoch());
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
