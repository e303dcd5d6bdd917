#pragma once

#include <QDateTime>
#include <QHash>

#include <optional>
#include <utility>

// Stored date-time values are day numbers: days since 1899-12-30 as a double,
// the time of day being the fraction, always in local time. A time of day alone
// has a zero date part. This is the one place that converts them.
namespace zelkor::daynum {

inline const QDate kEpoch{1899, 12, 30};

double fromDate(QDate date);
double fromTime(QTime time);
double fromDateTime(const QDateTime& local);

// The weekday as the stored weekday flags count it: 1 = Sunday .. 7 = Saturday.
inline int weekdayOf(QDate date) { return date.dayOfWeek() % 7 + 1; }

QDate datePart(double value);
QTime timePart(double value); // whole seconds, rounded
QDateTime toDateTime(double value);

// Joins a calendar date with a time of day in local time, as resolved by
// MomentResolver; invalid when the date or the time is.
QDateTime join(QDate date, QTime time);

// The moments at which the local clock shows a time of day on a date, as
// seconds since 1970-01-01 UTC: one, or two where the clocks go back over it.
struct Showings {
    qint64 first = 0;
    qint64 second = 0; // equals first for a time shown once

    // The first showing later than `moment`; the first showing when none is.
    qint64 after(qint64 moment) const
    {
        return first > moment || second <= moment ? first : second;
    }
};

// Finds the moments at which the local clock shows a time of day on a date,
// so that moments compare as real time even on the days the clocks change:
// - a time shown twice (the autumn change) has two showings; epochSeconds()
//   is the first, so a daily task is due once, when the clock first reaches it;
// - a time the clocks skip (the spring change) is read with the offset in force
//   before the change: 02:30 in a skipped 02:00-03:00 comes at 03:30, and the
//   skipped times keep their order and their distance.
// It remembers the zone's offsets per date, so a pass over many rows asks the
// zone database about each date only once, and reads the system's zone once,
// when made.
class MomentResolver {
public:
    MomentResolver();
    std::optional<Showings> showings(QDate date, QTime time);
    std::optional<qint64> epochSeconds(QDate date, QTime time);

private:
    std::pair<int, int> offsetsAround(QDate date); // before and after that date
    QHash<qint64, std::pair<int, int>> m_offsets;  // Julian day -> offsets
};

// b - a in whole seconds on the wall clock (positive when b is later); the
// difference of the stored values, as they are local times without a zone.
qint64 secondsBetween(double a, double b);

// Real seconds from `now` to the wall-clock moment `date` `time`: to its
// showing that is still ahead when the clocks go back over it, so a time in
// the repeated hour whose first showing has passed is its second showing.
qint64 realSecondsUntil(const QDateTime& now, QDate date, QTime time);

} // namespace zelkor::daynum
