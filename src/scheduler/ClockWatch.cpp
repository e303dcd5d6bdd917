#include "scheduler/ClockWatch.h"

#include <cstdlib>

namespace zelkor
{

bool ClockWatch::stepped(const QDateTime& now, quint32 tickMs)
{
    const bool first = !m_lastNow.isValid();
    const qint64 wallMs = first ? 0 : m_lastNow.msecsTo(now);
    // The tick count only goes forward; its difference holds across its wrap.
    const qint64 tickElapsedMs = qint64(quint32(tickMs - m_lastTick));
    m_lastNow = now;
    m_lastTick = tickMs;
    return !first && std::llabs(wallMs - tickElapsedMs) > kToleranceMs;
}

} // namespace zelkor
