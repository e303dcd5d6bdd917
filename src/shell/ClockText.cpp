#include "shell/ClockText.h"

#include "common/DateText.h"
#include "common/DayNumber.h"

namespace zelkor {

QString clockText(const QDateTime& now)
{
    return datetext::shortDate(now.date()) + QLatin1Char(' ') + datetext::time(now.time()) +
           QStringLiteral("  ") + datetext::weekdayShort(daynum::weekdayOf(now.date()));
}

QString uptimeText(quint64 uptimeMs)
{
    const quint64 hours = uptimeMs / 3600000u;
    const quint64 minutes = (uptimeMs % 3600000u) / 60000u;
    return QStringLiteral("%1 hours %2 minutes ").arg(hours).arg(minutes, 2, 10, QLatin1Char('0'));
}

} // namespace zelkor
