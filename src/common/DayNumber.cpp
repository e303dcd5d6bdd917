#include "common/DayNumber.h"

#include <cmath>

namespace zelkor::daynum {

namespace {
constexpr qint64 kSecondsPerDay = 86400;

// Whole seconds since the epoch on the wall clock. Negative values keep the
// stored convention: the integer part is the day, the fraction is always the
// positive time of that day.
qint64 wallSeconds(double value)
{
    const double day = std::trunc(value);
    const double fraction = std::fabs(value - day);
    return static_cast<qint64>(day) * kSecondsPerDay +
           static_cast<qint64>(std::llround(fraction * kSecondsPerDay));
}
} // namespace

double fromDate(QDate date) { return static_cast<double>(kEpoch.daysTo(date)); }

double fromTime(QTime time)
{
    return time.isValid() ? time.msecsSinceStartOfDay() / 1000 / double(kSecondsPerDay) : 0.0;
}

double fromDateTime(const QDateTime& local)
{
    const QDateTime l = local.toLocalTime();
    const double day = fromDate(l.date());
    const double time = fromTime(QTime(l.time().hour(), l.time().minute(), l.time().second()));
    // Before the epoch the day counts down but the time of day still counts up.
    return day < 0 ? day - time : day + time;
}

QDate datePart(double value)
{
    const qint64 secs = wallSeconds(value);
    const qint64 day = value < 0 ? static_cast<qint64>(std::trunc(value)) : secs / kSecondsPerDay;
    return kEpoch.addDays(day);
}

QTime timePart(double value)
{
    qint64 secs = wallSeconds(value) % kSecondsPerDay;
    if (secs < 0)
        secs += kSecondsPerDay; // a day before the epoch: seconds since its midnight
    return QTime(0, 0).addSecs(static_cast<int>(secs));
}

QDateTime toDateTime(double value) { return join(datePart(value), timePart(value)); }

QDateTime join(QDate date, QTime time)
{
    QDateTime result(date, time);
    if (!result.isValid() && date.isValid() && time.isValid()) {
        // In the skipped hour: keep the offset from before the change.
        const QDateTime before(date, QTime(0, 0));
        result = before.addSecs(QTime(0, 0).secsTo(time));
    }
    return result;
}

qint64 secondsBetween(double a, double b) { return wallSeconds(b) - wallSeconds(a); }

} // namespace zelkor::daynum
