#pragma once

#include "common/AppState.h"
#include "platform/Platform.h"

namespace zelkor {

// Refuses suspend requests the program did not start: holds the platform's
// suspend inhibitor while the main window's chkWakeOn is checked, but for the
// program's own hibernation: released just before the request, taken again
// once the computer is back or the request failed.
class SuspendFilter {
public:
    SuspendFilter(Platform& platform, const AppState& state);

    // The rule, for any inputs.
    static bool shouldHold(bool selfSuspend, bool wakeOn) { return !selfSuspend && wakeOn; }

    void install(bool wakeOn); // start-up
    void setWakeOn(bool wakeOn);
    // selfSuspend was set or cleared.
    void followOwnHibernation();
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
