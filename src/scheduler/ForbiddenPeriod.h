#pragma once

#include "tasks/TaskRow.h"

#include <QList>
#include <QTime>

#include <optional>

namespace zelkor {

// The daily period in which the computer may not be used.
struct ForbiddenPeriod {
    QTime notStart{0, 0};   // first second inside
    QTime notStop{0, 0};    // last second inside
    bool notSameDay = true; // false when it runs past midnight, or all day
    int notAction = 1;      // 1 shuts down; anything else hibernates
};

// The period in force: the first of `rows`, which come newest first. Nothing
// when there is no row, or when the newest row's start or end cannot be read:
// a period nobody can tell must not switch the computer off.
std::optional<ForbiddenPeriod> periodInForce(const QList<TaskRow>& rows);

// Whether the clock time `t` (taken to its whole second) lies inside the
// period, bounds included.
bool isInside(const ForbiddenPeriod& period, QTime t);

// The action the period carries out inside: 1 (shut down) or 5 (hibernate).
int periodActionKind(const ForbiddenPeriod& period);

} // namespace zelkor
