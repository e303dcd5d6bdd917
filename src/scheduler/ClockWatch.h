#pragma once

#include <QDateTime>

namespace zelkor
{

// Notices that the wall clock was set (a time server's step, a user correcting
// the time): between two looks it moved other than the tick count. The tick
// count goes on while the computer sleeps, so a resume is no step. A new time
// zone moves the wall clock too, with the instant untouched: it is told apart
// by the offset the zone now gives the instant of the last look.
class ClockWatch
{
public:
    // More than a few seconds either way; a busy event loop delays both alike.
    static constexpr qint64 kToleranceMs = 3000;

    // True when the clock was set or the time zone changed since the last
    // look; the first look only takes note.
    bool stepped(const QDateTime& now, quint32 tickMs);
    // How far the last look found the wall clock moved by a new time zone
    // (the new offset from UTC less the old), in seconds; 0 when the zone
    // stayed, also across the clocks' own changes of the year.
    int zoneShiftSeconds() const { return m_zoneShift; }

private:
    bool m_looked = false;
    qint64 m_lastMs = 0; // the instant of the last look
    int m_lastOffset = 0; // its offset from UTC then
    quint32 m_lastTick = 0;
    int m_zoneShift = 0;
};

} // namespace zelkor
