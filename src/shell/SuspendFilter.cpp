#include "shell/SuspendFilter.h"

namespace zelkor {

SuspendFilter::SuspendFilter(Platform& platform, const AppState& state)
    : m_platform(platform), m_state(state)
{
}

void SuspendFilter::install(bool wakeOn)
{
    m_installed = true;
    m_wakeOn = wakeOn;
    apply();
}

void SuspendFilter::setWakeOn(bool wakeOn)
{
    m_wakeOn = wakeOn;
    apply();
}

void SuspendFilter::followOwnHibernation() { apply(); }

void SuspendFilter::remove()
{
    m_installed = false;
    apply();
}

void SuspendFilter::apply()
{
    const bool want = m_installed && shouldHold(m_state.selfSuspend, m_wakeOn);
    if (want == m_holding)
        return;
    // A desktop without inhibitors cannot refuse anything; the program runs on
    // as it would where a suspend does not ask first.
    const Outcome outcome = m_platform.holdSuspendInhibitor(want);
    m_holding = want && outcome.ok;
}

} // namespace zelkor
