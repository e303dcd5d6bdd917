#pragma once

#include "scheduler/NextTask.h"
#include "tasks/TaskRow.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

// The search for the nearest occurrence of the stored "Power On" tasks, as a
// plain function of the rows and the current time.
namespace zelkor::poweron {

inline constexpr qint64 kStartSeconds = 27648000; // 320 days: nothing found yet
inline constexpr qint64 kLimitSeconds = 2764800;  // 32 days: nearer ones only are armed

// What one task does when its moment comes.
struct FollowUp {
    qint64 taskId = 0;        // the task it belongs to
    QString text;             // its description ("" for Null)
    bool showMessage = false; // show the text, else open it
};

struct Choice {
    qint64 seconds = kStartSeconds; // real seconds to the nearest occurrence
    QDateTime due;                  // its moment; invalid when none was found
    QList<FollowUp> followUps;      // every task due then, in the rows' order
};

// Rows in the order the query gave them; every row due in the nearest second
// is carried, so none is lost to another. Rows without a usable moment are
// skipped, and so is every occurrence that already ran (`fired`, as the
// scheduler keeps them).
Choice search(const QList<TaskRow>& rows, const QDateTime& now, const FiredMoments& fired = {});

// The same search over rows handed over one at a time as they are read, so a
// large table is never held whole: `forEachRow` calls its argument with every
// row in the query's order.
using RowVisitor = std::function<void(const TaskRow&)>;
Choice search(const std::function<void(const RowVisitor&)>& forEachRow, const QDateTime& now,
              const FiredMoments& fired = {});

inline bool shouldArm(qint64 seconds) { return seconds > 0 && seconds < kLimitSeconds; }

} // namespace zelkor::poweron
