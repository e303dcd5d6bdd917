#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <cmath>

namespace zelkor {

// Top-left corner that centres a window horizontally and puts its vertical
// centre at the golden section of the screen height, (3 - sqrt 5) / 2.
inline QPoint goldenPlacement(const QRect& screen, const QSize& window)
{
    const double golden = (3.0 - std::sqrt(5.0)) / 2.0;
    const double left = (screen.width() - window.width()) / 2.0;
    const double top = golden * screen.height() - window.height() / 2.0;
    return {screen.x() + int(std::lround(left)), screen.y() + int(std::lround(top))};
}

} // namespace zelkor
