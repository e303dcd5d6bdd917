#pragma once

#include "scheduler/Occurrences.h"
#include "tasks/TaskRow.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace zelkor {

// One task's part in an occurrence: what firing it takes.
struct DueTask {
    qint64 taskId = 0; // the task it belongs to
    int action = 0;    // the task's action code
    bool showsMessage = false;
    QString description;
    bool operator==(const DueTask&) const = default;
};

// What a task row does when it is due.
DueTask dueTaskOf(const TaskRow& row);

// The outcome of a selection pass: the earliest due occurrence less than 32
// days ahead, and whether the firing poll is to run for it.
struct Selection {
    bool pollOn = false; // a real occurrence was found
    QDateTime nextTime;  // its due moment, whole seconds
    QList<DueTask> due;  // every task due in that second, newest first
};

// Chooses the next occurrence among `rows`, which come newest first (highest
// id first). Once, Daily, Monthly and Weekly rows take part; every other row,
// and every row whose fields cannot be read, offers nothing. Every row due in
// the chosen second is carried, so none of them is lost to another. `now` is
// taken to its whole second.
Selection selectNext(const QList<TaskRow>& rows, const QDateTime& now,
                     const FiredMoments& fired = {});

// The same choice over rows that come one at a time, as they are read, so
// that a large table is never held in memory whole: offer every row in the
// order above, then take the result.
class NextTaskPass {
public:
    // `leadSeconds`: how far ahead power actions are warned of.
    // `fired` is the caller's record, read and kept up as the rows are weighed;
    // it outlives the pass.
    // `missedSince`, when valid: the program could not look between then and
    // `now` (the computer slept). A task with an occurrence in that time is
    // due at `now`, once, however many it missed.
    NextTaskPass(const QDateTime& now, const FiredMoments& fired, int leadSeconds = 0,
                 const QDateTime& missedSince = {});

    void offer(const TaskRow& row);
    Selection result() const;
    // The next occurrence that holds a power action, with only those tasks,
    // and every other such occurrence within the lead of it, earliest first:
    // each is warned of a full lead ahead, even while other tasks, or other
    // power actions, come before it.
    QList<Selection> warnedAhead() const;

private:
    const FiredMoments& m_fired;
    qint64 m_now = 0;
    OccurrenceFinder m_finder;
    Earliest<DueTask> m_earliest;
    EarliestWithin<DueTask> m_warned;
};

} // namespace zelkor
