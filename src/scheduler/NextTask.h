#pragma once

#include "tasks/TaskRow.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

namespace zelkor {

// The outcome of a selection pass: the earliest due occurrence less than 32
// days ahead, and whether the firing poll is to run for it.
struct Selection {
    bool pollOn = false;  // a real occurrence was found
    qint64 taskId = 0;    // the task it belongs to
    QDateTime nextTime;   // its due moment, whole seconds
    int nextAction = 0;   // the task's action code
    bool nextShowsMessage = false;
    QString nextDescription;
};

// Due moments already fired in this run, by task id (seconds since 1970 UTC).
// A pass offers a task nothing at or before its last fired moment, so an
// occurrence fires once even when the clock is set back after it fired.
using FiredMoments = QHash<qint64, qint64>;

// Chooses the next occurrence among `rows`, which come newest first (highest
// id first): the first one met wins a tie. Once, Daily, Monthly and Weekly
// rows take part; every other row, and every row whose fields cannot be read,
// offers nothing. `now` is taken to its whole second.
Selection selectNext(const QList<TaskRow>& rows, const QDateTime& now,
                     const FiredMoments& fired = {});

// True when the occurrence at `due` has come at `now`, both compared in whole
// seconds.
bool isDue(const QDateTime& due, const QDateTime& now);

} // namespace zelkor
