#include "common/DayNumber.h"

#include <algorithm>
#include <cmath>
#include <ctime>

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
    const auto seconds = MomentResolver().epochSeconds(date, time);
    if (!seconds)
        return {};
    QDateTime result = QDateTime::fromSecsSinceEpoch(*seconds);
    // Keep the milliseconds the time of day had.
    return result.addMSecs(time.msec());
}

namespace {
constexpr qint64 kUnixEpochJulian = 2440588; // QDate(1970, 1, 1).toJulianDay()

// Offset from UTC in force at a moment. A moment has one local time, so this
// is never ambiguous, unlike the reverse. Straight from the C library, in the
// zone read when the resolver was made: the toolkit's local time reads the
// zone anew on every call, a file check each time where TZ is not set.
int offsetAt(qint64 epochSeconds)
{
    const std::time_t moment = epochSeconds;
    std::tm local{};
    if (!localtime_r(&moment, &local))
        return QDateTime::fromSecsSinceEpoch(epochSeconds).offsetFromUtc();
    return int(local.tm_gmtoff);
}
} // namespace

MomentResolver::MomentResolver()
{
    // A zone changed since the last pass counts from this one on.
    tzset();
}

std::pair<int, int> MomentResolver::offsetsAround(QDate date)
{
    const qint64 julian = date.toJulianDay();
    const auto found = m_offsets.constFind(julian);
    if (found != m_offsets.cend())
        return *found;
    // A day before and a day after the date's midnight read as UTC: far enough
    // from the date for any zone, near enough to see at most one change.
    const qint64 midnight = (julian - kUnixEpochJulian) * kSecondsPerDay;
    const std::pair<int, int> offsets{offsetAt(midnight - kSecondsPerDay),
                                      offsetAt(midnight + 2 * kSecondsPerDay)};
    m_offsets.insert(julian, offsets);
    return offsets;
}

std::optional<Showings> MomentResolver::showings(QDate date, QTime time)
{
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const qint64 wall = (date.toJulianDay() - kUnixEpochJulian) * kSecondsPerDay +
                        time.msecsSinceStartOfDay() / 1000;
    const auto [before, after] = offsetsAround(date);
    if (before == after)
        return Showings{wall - before, wall - before};
    // A change near this date: keep the readings that the zone confirms.
    const qint64 early = wall - std::max(before, after);
    const qint64 late = wall - std::min(before, after);
    const bool earlyShown = offsetAt(early) == wall - early;
    const bool lateShown = offsetAt(late) == wall - late;
    if (earlyShown)
        return Showings{early, lateShown ? late : early};
    if (lateShown)
        return Showings{late, late};
    return Showings{wall - before, wall - before}; // skipped: the offset from before the change
}

std::optional<qint64> MomentResolver::epochSeconds(QDate date, QTime time)
{
    const auto shown = showings(date, time);
    return shown ? std::optional<qint64>(shown->first) : std::nullopt;
}

qint64 realSecondsUntil(const QDateTime& now, QDate date, QTime time)
{
    const auto shown = MomentResolver().showings(date, time);
    if (!shown || !now.isValid())
        return 0;
    return shown->after(now.toSecsSinceEpoch()) - now.toSecsSinceEpoch();
}

qint64 secondsBetween(double a, double b) { return wallSeconds(b) - wallSeconds(a); }

} // namespace zelkor::daynum
