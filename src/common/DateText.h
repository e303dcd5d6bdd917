#pragma once

#include <QDateTime>
#include <QString>

// Date-time texts as the system shows them: the general form has the short date
// and the time with seconds; a value without a date part shows the time alone,
// and a value at midnight shows the date alone.
namespace zelkor::datetext {

QString general(const QDateTime& value);
QString general(double dayNumber);
QString time(QTime value);
QString shortDate(QDate value);
// "Sun" .. "Sat" for the weekdays 1 = Sunday .. 7 = Saturday; empty for others.
QString weekdayShort(int weekday);
// The format shortDate() writes, with four-digit years, for date fields.
QString shortDateFormat();

// Reads what general() wrote; returns an invalid date-time when it cannot.
QDateTime parseGeneral(const QString& text);

} // namespace zelkor::datetext
