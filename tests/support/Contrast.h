#pragma once

#include <QColor>

#include <algorithm>
#include <cmath>

// How well one colour reads on another, as WCAG measures it: from 1 (the same)
// to 21 (black on white); text wants 4.5, graphics 3.
namespace zelkor::test
{

inline double relativeLuminance(const QColor& c)
{
    const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

inline double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace zelkor::test
