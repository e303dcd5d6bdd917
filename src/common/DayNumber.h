#pragma once

#include <QDateTime>

// Stored date-time values are day numbers: days since 1899-12-30 as a double,
// the time of day being the fraction, always in local time. A time of day alone
// has a zero date part. This is the one place that converts them.
namespace zelkor::daynum {

inline const QDate kEpoch{1899, 12, 30};

double fromDate(QDate date);
double fromTime(QTime time);
double fromDateTime(const QDateTime& local);

QDate datePart(double value);
QTime timePart(double value); // whole seconds, rounded
QDateTime toDateTime(double value);

// Joins a calendar date with a time of day in local time. A time that the
// clocks skip on that date (the spring change) resolves to the same wall-clock
// offset after the change, so the moment still exists once.
QDateTime join(QDate date, QTime time);

// b - a in whole seconds on the wall clock (positive when b is later); the
// difference of the stored values, as they are local times without a zone.
qint64 secondsBetween(double a, double b);

} // namespace zelkor::daynum
