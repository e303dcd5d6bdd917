#pragma once

#include "tasks/TaskRow.h"

#include <QDateTime>
#include <QList>
#include <QString>

// The search for the nearest occurrence of the stored "Power On" tasks, as a
// plain function of the rows and the current time.
namespace zelkor::poweron {

inline constexpr qint64 kStartSeconds = 27648000; // 320 days: nothing found yet
inline constexpr qint64 kLimitSeconds = 2764800;  // 32 days: nearer ones only are armed

struct Choice {
    qint64 seconds = kStartSeconds; // to the nearest occurrence
    QString text;                   // its description ("" for Null)
    bool showMessage = false;       // show the text, else open it
};

// Rows in the order the query gave them; between occurrences at the same
// second the first row wins. Rows without a usable moment are skipped.
Choice search(const QList<TaskRow>& rows, const QDateTime& now);

inline bool shouldArm(qint64 seconds) { return seconds > 0 && seconds < kLimitSeconds; }

} // namespace zelkor::poweron
