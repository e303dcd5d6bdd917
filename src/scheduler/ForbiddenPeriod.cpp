#include "scheduler/ForbiddenPeriod.h"

#include "common/DayNumber.h"

namespace zelkor {

std::optional<ForbiddenPeriod> periodInForce(const QList<TaskRow>& rows)
{
    if (rows.isEmpty())
        return std::nullopt;
    const TaskRow& newest = rows.first();
    const auto start = newest.startValue();
    const auto stop = newest.stopValue();
    if (!start || !stop)
        return std::nullopt;
    ForbiddenPeriod period;
    period.notStart = daynum::timePart(*start);
    period.notStop = daynum::timePart(*stop);
    // Times of day only: a date part somebody stored does not move the period.
    period.notSameDay = period.notStart.secsTo(period.notStop) > 0;
    period.notAction = newest.actionCode();
    return period;
}

bool isInside(const ForbiddenPeriod& period, QTime t)
{
    const QTime now(t.hour(), t.minute(), t.second());
    if (period.notSameDay)
        return period.notStart <= now && now <= period.notStop;
    // Past midnight: from the start to the day's end, and from its beginning
    // to the stop. Equal start and stop cover the whole day.
    return period.notStart <= now || now <= period.notStop;
}

int periodActionKind(const ForbiddenPeriod& period) { return period.notAction == 1 ? 1 : 5; }

} // namespace zelkor
