#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <algorithm>
#include <cmath>

namespace zelkor {

// Top-left corner that centres a window horizontally and puts its vertical
// centre at the golden section of the screen height, (3 - sqrt 5) / 2. A
// window too large for that stays on the screen, its title bar first: above
// or left of the screen it could not be moved back.
inline QPoint goldenPlacement(const QRect& screen, const QSize& window)
{
    const double golden = (3.0 - std::sqrt(5.0)) / 2.0;
    const auto onScreen = [](double offset, int room) { return std::max(0L, std::min(std::lround(offset), long(room))); };
    const long left = onScreen((screen.width() - window.width()) / 2.0, screen.width() - window.width());
    const long top = onScreen(golden * screen.height() - window.height() / 2.0, screen.height() - window.height());
    return {screen.x() + int(left), screen.y() + int(top)};
}

// Top-left corner that brings a window which grew beyond the screen's edge
// back onto it, moving it no more than needed; as above, a window too large
// keeps its title bar on the screen.
inline QPoint keptOnScreen(const QRect& screen, const QRect& frame)
{
    const auto within = [](int at, int least, int room) { return std::max(least, std::min(at, least + room)); };
    return {within(frame.x(), screen.x(), std::max(0, screen.width() - frame.width())),
            within(frame.y(), screen.y(), std::max(0, screen.height() - frame.height()))};
}

} // namespace zelkor
