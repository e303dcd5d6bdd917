#include "common/DateText.h"

#include "common/DayNumber.h"

#include <QLocale>

#include <array>

namespace zelkor::datetext {

namespace {
const QString kTimeFormat = QStringLiteral("HH:mm:ss");
} // namespace

QString shortDateFormat()
{
    // Qt's short formats may use two-digit years; widen them so a text reads
    // back to the same date.
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QString time(QTime value) { return value.toString(kTimeFormat); }

QString weekdayShort(int weekday)
{
    static const std::array<QString, 7> names{QStringLiteral("Sun"), QStringLiteral("Mon"),
                                              QStringLiteral("Tue"), QStringLiteral("Wed"),
                                              QStringLiteral("Thu"), QStringLiteral("Fri"),
                                              QStringLiteral("Sat")};
    return weekday >= 1 && weekday <= 7 ? names[size_t(weekday - 1)] : QString();
}

QString shortDate(QDate value) { return QLocale::system().toString(value, shortDateFormat()); }

QString general(const QDateTime& value)
{
    return general(daynum::fromDateTime(value));
}

QString general(double dayNumber)
{
    const QDate date = daynum::datePart(dayNumber);
    const QTime t = daynum::timePart(dayNumber);
    if (date == daynum::kEpoch)
        return time(t);
    if (t == QTime(0, 0))
        return shortDate(date);
    return shortDate(date) + QLatin1Char(' ') + time(t);
}

QDateTime parseGeneral(const QString& text)
{
    const QString trimmed = text.trimmed();
    const QLocale locale = QLocale::system();
    const QDateTime full = locale.toDateTime(trimmed, shortDateFormat() + QLatin1Char(' ') + kTimeFormat);
    if (full.isValid())
        return full;
    const QDate date = locale.toDate(trimmed, shortDateFormat());
    if (date.isValid())
        return QDateTime(date, QTime(0, 0));
    const QTime t = QTime::fromString(trimmed, kTimeFormat);
    if (t.isValid())
        return QDateTime(daynum::kEpoch, t);
    return {};
}

} // namespace zelkor::datetext
