#include "scheduler/ClockWatch.h"

#include <cstdlib>

namespace zelkor
{

bool ClockWatch::stepped(const QDateTime& now, quint32 tickMs)
{
    const bool first = !m_looked;
    const qint64 nowMs = now.toMSecsSinceEpoch();
    m_zoneShift = first ? 0 : QDateTime::fromMSecsSinceEpoch(m_lastMs).offsetFromUtc() - m_lastOffset;
    const qint64 wallMs = nowMs - m_lastMs;
    // The tick count only goes forward; its difference holds across its wrap.
    const qint64 tickElapsedMs = qint64(quint32(tickMs - m_lastTick));
    m_looked = true;
    m_lastMs = nowMs;
    m_lastOffset = now.offsetFromUtc();
    m_lastTick = tickMs;
    return !first && (std::llabs(wallMs - tickElapsedMs) > kToleranceMs || m_zoneShift != 0);
}

} // namespace zelkor
