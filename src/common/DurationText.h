#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

// Durations and moments as people and scripts type them.
namespace zelkor::durationtext {

// The longest countdown taken, a little over thirty years: far longer ones
// overflowed the count of milliseconds to their end and acted at once.
inline constexpr qint64 kLongestSeconds = 999'999'999;

// "90m", "1h30m", "45s", "2h 5m 10s", or a plain number of seconds. Nothing
// for anything else, negative durations and those over kLongestSeconds included.
std::optional<qint64> parseDuration(const QString& text);

// Why `text` is no duration, for messages.
QString whyNoDuration(const QString& text);

// "1h 30m 5s", leaving out the parts that are zero ("0s" for nothing).
QString formatDuration(qint64 seconds);

// A moment: an ISO 8601 date and time ("2027-01-31T08:30", an offset is
// honoured), a date and time in `locale`'s short or long format (also with a
// four-digit year and one-digit day, month or hour, and with the time on the
// 24-hour clock), or a time of day alone (ISO, the locale's or on the 24-hour
// clock), which means its next coming after `now`.
std::optional<QDateTime> parseMoment(const QString& text, const QDateTime& now,
                                     const QLocale& locale = QLocale());

// `moment` as `locale` shows a short date and time, in its digits and day
// halves: what parseMoment reads back (to the minute, where the form has no
// seconds).
QString formatMoment(const QDateTime& moment, const QLocale& locale = QLocale());

} // namespace zelkor::durationtext
