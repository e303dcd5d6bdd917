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
qint64 countSeconds(int mode, const PickerValues& values, const QDateTime& now, quint32 tickMs);

// Whole seconds from `startTick` to `nowTick`, across the wrap of the 32-bit
// tick count.
qint64 elapsedSeconds(quint32 nowTick, quint32 startTick);

// The bar after one plain tick: a fixed step, accumulated in single precision.
float barAfterTick(float width, qint64 totalSeconds);
// The bar of the quiet-time mode after `elapsed` quiet seconds.
double quietBar(qint64 totalSeconds, qint64 elapsed);

QString remainingText(qint64 seconds); // "<n> seconds remaining"

// The "Power On" announcement for the moment `at`; where the timer cannot
// wake the computer a second sentence says so and why.
QString powerOnAnnouncement(const QDateTime& at, bool canWake, const QString& whyNoWake);

} // namespace zelkor::countdown
