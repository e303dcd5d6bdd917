#pragma once

#include <QDateTime>

namespace zelkor
{

// Notices that the wall clock was set (a time server's step, a user correcting
// the time): between two looks it moved other than the tick count. The tick
// count goes on while the computer sleeps, so a resume is no step.
class ClockWatch
{
public:
    // More than a few seconds either way; a busy event loop delays both alike.
    static constexpr qint64 kToleranceMs = 3000;

    // True when the clock was set since the last look; the first look only
    // takes note.
    bool stepped(const QDateTime& now, quint32 tickMs);

private:
    QDateTime m_lastNow;
    quint32 m_lastTick = 0;
};

} // namespace zelkor
