#include "guard/Occurrences.h"

namespace zelkor
{

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
        return s.taskId == fired.taskId && s.nextTime == fired.nextTime;
    });
}

void MovedOccurrences::keepOnly(const QSet<qint64>& taskIds)
{
    m_moved.removeIf([&](const Selection& s) { return !taskIds.contains(s.taskId); });
}

QString occurrenceKey(const Selection& occurrence)
{
    return QStringLiteral("task:%1:%2")
        .arg(occurrence.taskId)
        .arg(occurrence.nextTime.toSecsSinceEpoch());
}

QDateTime nextPeriodStart(const ForbiddenPeriod& period, const QDateTime& from)
{
    const QDateTime whole = QDateTime::fromSecsSinceEpoch(from.toSecsSinceEpoch());
    QDateTime start(whole.date(), period.notStart);
    if (start < whole)
        start = QDateTime(whole.date().addDays(1), period.notStart);
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
