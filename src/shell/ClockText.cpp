#include "shell/ClockText.h"

#include "common/DateText.h"

namespace zelkor {

QString clockText(const QDateTime& now)
{
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    // Qt numbers Monday 1 .. Sunday 7.
    const int sundayFirst = now.date().dayOfWeek() % 7;
    return datetext::shortDate(now.date()) + QLatin1Char(' ') + datetext::time(now.time()) +
           QStringLiteral("  ") + QLatin1String(kDays[sundayFirst]);
}

QString uptimeText(quint32 tickMs)
{
    const quint32 hours = tickMs / 3600000u;
    const quint32 minutes = (tickMs % 3600000u) / 60000u;
    return QStringLiteral("%1 hours %2 minutes ").arg(hours).arg(minutes, 2, 10, QLatin1Char('0'));
}

} // namespace zelkor
