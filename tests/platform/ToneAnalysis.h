#pragma once

#include <QList>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <vector>

// Measurements of captured mono 16-bit sound, for the tests.
namespace toneanalysis {

// Frequency from the sign changes between two sample positions.
inline double frequency(const std::vector<qint16>& s, size_t from, size_t to, int rate)
{
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i)
        if ((s[i - 1] < 0) != (s[i] < 0))
            ++crossings;
    return crossings / 2.0 / (double(to - from) / rate);
}

inline int peak(const std::vector<qint16>& s, size_t from, size_t to)
{
    int p = 0;
    for (size_t i = from; i < to; ++i)
        p = std::max(p, std::abs(int(s[i])));
    return p;
}

// Alternating runs of sound and silence, in whole milliseconds: each
// millisecond counts as sound when its peak is above a twentieth of the loudest.
struct Run {
    bool sound = false;
    int ms = 0;
};

inline QList<Run> runs(const std::vector<qint16>& s, int rate)
{
    const size_t perMs = size_t(rate / 1000);
    const int loudest = peak(s, 0, s.size());
    QList<Run> out;
    for (size_t at = 0; at + perMs <= s.size(); at += perMs) {
        const bool sound = peak(s, at, at + perMs) > loudest / 20;
        if (out.isEmpty() || out.last().sound != sound)
            out.append(Run{sound, 0});
        ++out.last().ms;
    }
    return out;
}

} // namespace toneanalysis
