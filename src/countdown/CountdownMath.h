#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The Timer tab's arithmetic, as plain functions of the picker values, the
// clock and the tick count.
namespace zelkor::countdown {

// Full width of the progress bar; the fill is proportional to it.
inline constexpr double kBarWidth = 6825.0;

enum Mode { After = 0, At = 1, Uptime = 2, Quiet = 3 };

// The modes' names for scripts and the command line, by Mode.
inline const QStringList& modeKeys()
{
    static const QStringList keys{QStringLiteral("after"), QStringLiteral("at"), QStringLiteral("uptime"),
                                  QStringLiteral("idle")};
    return keys;
}

// What the pickers hold; only the hour of an hours picker and the minute of a
// minutes picker count.
struct PickerValues {
    int afterHours = 2;
    int afterMinutes = 0;
    QDate atDate;
    QTime atTime;
    int runHours = 3;
    int runMinutes = 0;
    int quietMinutes = 15;
};

// The count in real seconds for a mode (across a clock change, a date and
// time is an hour more or less away than its wall-clock difference); zero or
// less is not a valid count.
qint64 countSeconds(int mode, const PickerValues& values, const QDateTime& now, quint64 uptimeMs);

// A count moves its start on once this much passed since it, far below the
// 49.7 days after which the unsigned tick count would wrap past it.
inline constexpr qint64 kTickFoldMs = qint64(1) << 30;

// Milliseconds from `startTick` to `nowTick`, across the wrap of the 32-bit
// tick count.
qint64 elapsedMs(quint32 nowTick, quint32 startTick);

// A running count of `totalSeconds`, `elapsedMs` after its origin (the moment
// Start was pressed, or for a date and time the wall clock's second then).
// It has ended once the whole count has passed, to the millisecond: a timer
// tick that comes a little early never ends it early.
// Its end lies `slackMs` beyond the whole count where the clock it is read on
// may show less time than has passed, so it never ends early.
inline qint64 countEndMs(qint64 totalSeconds, qint64 slackMs) { return totalSeconds * 1000 + slackMs; }
inline bool countEnded(qint64 endMs, qint64 elapsedMs) { return elapsedMs >= endMs; }
// The seconds left as the label shows them while the count runs: to the
// nearest second, so a tick a few ms off its second shows the same number;
// 1 at least.
qint64 secondsLeft(qint64 totalSeconds, qint64 elapsedMs);
// The wait for the next tick: to the count's next whole second, or to its end
// when that comes first or only the slack lies between; 0 once it has ended.
qint64 msToNextSecond(qint64 endMs, qint64 elapsedMs);

// The bar after `elapsed` of `totalSeconds` seconds.
double barAfter(qint64 totalSeconds, qint64 elapsed);

QString remainingText(qint64 seconds); // "<n> seconds remaining"

// The "Power On" announcement for the moment `at`; where the timer cannot
// wake the computer a second sentence says so and why.
QString powerOnAnnouncement(const QDateTime& at, bool canWake, const QString& whyNoWake);

} // namespace zelkor::countdown
