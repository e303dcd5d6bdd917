#include "countdown/CountdownMath.h"

#include "common/DateText.h"
#include "common/DayNumber.h"

namespace zelkor::countdown {

qint64 countSeconds(int mode, const PickerValues& v, const QDateTime& now, quint32 tickMs)
{
    switch (mode) {
    case After:
        return qint64(v.afterHours) * 3600 + qint64(v.afterMinutes) * 60;
    case At:
        // Real seconds: the count runs on a timer, not on the wall clock.
        return daynum::realSecondsUntil(now, v.atDate, v.atTime);
    case Uptime:
        // The tick count is unsigned: an uptime past 24.8 days stays positive.
        return qint64(v.runHours) * 3600 + qint64(v.runMinutes) * 60 - qint64(tickMs / 1000u);
    case Quiet:
        return qint64(v.quietMinutes) * 60;
    default:
        return 0;
    }
}

qint64 elapsedSeconds(quint32 nowTick, quint32 startTick)
{
    return qint64(quint32(nowTick - startTick) / 1000u);
}

float barAfterTick(float width, qint64 totalSeconds)
{
    return totalSeconds > 0 ? width + float(kBarWidth) / float(totalSeconds) : width;
}

double quietBar(qint64 totalSeconds, qint64 elapsed)
{
    return totalSeconds > 0 ? kBarWidth / double(totalSeconds) * double(elapsed) : 0.0;
}

QString remainingText(qint64 seconds)
{
    return QString::number(seconds) + QStringLiteral(" seconds remaining");
}

QString powerOnAnnouncement(const QDateTime& at, bool canWake, const QString& whyNoWake)
{
    QString text =
        datetext::general(at) + QStringLiteral(" will resume from stand-by or hibernation.");
    if (!canWake)
        text += QStringLiteral("\n\nThis computer will not be woken, because %1.").arg(whyNoWake);
    return text;
}

} // namespace zelkor::countdown
