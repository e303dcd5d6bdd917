#pragma once

#include <QDateTime>

#include <array>
#include <optional>

namespace zelkor {

// What the settings file keeps of the Timer tab. An empty field is a value the
// control could not give, or a line the file did not hold; applying the state
// leaves such a control as it is.
struct TimerTabState {
    // The countdown modes "After", the date and time, "Windows
    // Run:" and "No Keyboard Events and Mouse Action:".
    std::array<std::optional<bool>, 4> modes{};
    // The after hours and minutes, uptime hours and minutes, and idle minutes, in that order.
    std::array<std::optional<QDateTime>, 5> pickers{};
    std::optional<bool> force{}; // "Force applications to close."
    std::optional<int> action{}; // action codes 1..9
};

// The mode a loaded state selects: each mode line reading true selects its
// mode as a click would, so the last of them wins.
inline std::optional<int> selectedMode(const TimerTabState& state)
{
    std::optional<int> mode;
    for (int i = 0; i < int(state.modes.size()); ++i)
        if (state.modes[i].value_or(false))
            mode = i;
    return mode;
}

// Implemented by the Timer tab, so the settings can be read from and applied
// to it without knowing its widgets.
class TimerStateHolder {
public:
    virtual ~TimerStateHolder() = default;
    virtual TimerTabState timerState() const = 0;
    // Applies every field that holds a value; selecting a mode runs that
    // mode's selection handler as a click would.
    virtual void applyTimerState(const TimerTabState& state) = 0;
};

} // namespace zelkor
