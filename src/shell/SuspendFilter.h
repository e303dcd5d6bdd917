#pragma once

#include "common/AppState.h"
#include "platform/Platform.h"

namespace zelkor {

// Refuses suspend requests the program did not start: holds the platform's
// suspend inhibitor while the program has not hibernated by itself and the
// main window's chkWakeOn is checked. The program's own hibernation releases
// it just before the request, and it is never taken again in that run.
class SuspendFilter {
public:
    SuspendFilter(Platform& platform, const AppState& state);

    // The rule, for any inputs.
    static bool shouldHold(bool selfSuspend, bool wakeOn) { return !selfSuspend && wakeOn; }

    void install(bool wakeOn); // start-up
    void setWakeOn(bool wakeOn);
    // selfSuspend is already set, and never cleared: the lock goes for good.
    void beforeOwnHibernation();
    void remove();               // Exit

    bool holding() const { return m_holding; }

private:
    void apply();

    Platform& m_platform;
    const AppState& m_state;
    bool m_installed = false;
    bool m_wakeOn = false;
    bool m_holding = false;
};

} // namespace zelkor
