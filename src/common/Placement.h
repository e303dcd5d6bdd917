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

} // namespace zelkor
