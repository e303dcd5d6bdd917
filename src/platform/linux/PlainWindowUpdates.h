#pragma once

namespace zelkor {

// How the toolkit hands the window's pixels to an X server. Through shared
// memory, its default, the server answers every update with a completion
// event that wakes two of our threads: with the clock repainted once a
// second, four wake-ups a second instead of two. Over the connection an
// update is one copy of the changed part (for the clock a few KiB) and no
// answer. The choice is read when the application connects to the display;
// it is taken out of the environment once connected, so that the programs
// this one starts do not inherit it. A choice of the user's own stays.
class PlainWindowUpdates {
public:
    PlainWindowUpdates(); // before the application object is made
    void connected();     // once it is

private:
    bool m_chosenHere = false;
};

} // namespace zelkor
