#include "countdown/CountdownMath.h"

#include "common/DateText.h"
#include "common/DayNumber.h"

namespace zelkor::countdown {

qint64 countSeconds(int mode, const PickerValues& v, const QDateTime& now, quint64 uptimeMs)
{
    switch (mode) {
    case After:
        return qint64(v.afterHours) * 3600 + qint64(v.afterMinutes) * 60;
    case At:
        // Real seconds: the count runs on a timer, not on the wall clock.
        return daynum::realSecondsUntil(now, v.atDate, v.atTime);
    case Uptime:
        return qint64(v.runHours) * 3600 + qint64(v.runMinutes) * 60 - qint64(uptimeMs / 1000u);
    case Quiet:
        return qint64(v.quietMinutes) * 60;
    default:
        return 0;
    }
}

qint64 elapsedMs(quint32 nowTick, quint32 startTick) { return qint64(quint32(nowTick - startTick)); }

namespace {
// Division rounding toward minus infinity: before the origin (a wall clock
// set back) the seconds still count the right way.
qint64 floorDiv(qint64 a, qint64 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
} // namespace

qint64 secondsLeft(qint64 totalSeconds, qint64 elapsedMs)
{
    return qMax<qint64>(1, totalSeconds - floorDiv(elapsedMs + 500, 1000));
}

qint64 msToNextSecond(qint64 endMs, qint64 elapsedMs)
{
    if (countEnded(endMs, elapsedMs))
        return 0;
    qint64 next = (floorDiv(elapsedMs, 1000) + 1) * 1000;
    // The last whole second and the end a slack apart are one tick, not two.
    const qint64 slack = endMs % 1000;
    if (endMs - next <= slack)
        next = endMs;
    return qMin(next, endMs) - elapsedMs;
}

double barAfter(qint64 totalSeconds, qint64 elapsed)
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
        text += QStringLiteral(
                    "\n\nNot by itself, though: Zelkor cannot wake this computer, because %1.")
                    .arg(whyNoWake);
    return text;
}

} // namespace zelkor::countdown
