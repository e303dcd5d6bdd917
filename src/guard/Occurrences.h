#pragma once

#include "scheduler/ForbiddenPeriod.h"
#include "scheduler/NextTask.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>

namespace zelkor
{

// Task occurrences the user postponed from a warning. The original moment is
// remembered as fired elsewhere; the moved copy competes with the table's next
// occurrence in each selection pass and is dropped once it fired.
class MovedOccurrences
{
public:
    void move(const Selection& occurrence, const QDateTime& to);
    // The earlier of `next` (the table's choice) and the earliest moved one.
    Selection earlierOf(const Selection& next) const;
    // The table's occurrences warned of ahead (earliest first) with the moved
    // ones among them: all within `leadSeconds` of the earliest, earliest first.
    QList<Selection> withMoved(QList<Selection> ahead, int leadSeconds) const;
    void dropFired(const Selection& fired);
    // Whether a moved copy of the task is due at `at`.
    bool holds(qint64 taskId, const QDateTime& at) const;
    // Moved copies of tasks no longer in the table go with them, and so do
    // those of tasks changed since (what they do, or their text): the copy
    // would do what the task no longer says. `current`: the table's tasks by id.
    void keepOnly(const QHash<qint64, DueTask>& current);
    bool isEmpty() const { return m_moved.isEmpty(); }

private:
    QList<Selection> m_moved;
};

// The action a warning names for an occurrence: its first power action, else
// the newest task's action.
int warnedAction(const Selection& occurrence);

// The key of a task occurrence, for warnings: its first task (of a power
// action, where it has one), second and warned action, so that a task changed
// to another action is warned anew.
QString occurrenceKey(const Selection& occurrence);
// What every stored task's, and the forbidden period's, warning key starts with.
inline const QString kTaskWarningPrefix = QStringLiteral("task:");
inline const QString kPeriodWarningPrefix = QStringLiteral("period:");

// The tasks of an occurrence a warning is about (its power actions): Cancel
// and Postpone leave the others, reminders say, to come at their second.
Selection warnedPart(const Selection& occurrence);

// What the user decided about the forbidden period's next occurrences.
struct PeriodHold {
    QDateTime skipUntil;   // cancelled: no action before this moment
    QDateTime postponedTo; // postponed: no action before this moment
};

// The first moment at or after `from` at which the period begins, whole
// seconds: where the wall clock shows its start time (today or tomorrow, and
// again when the clock is put back over it), or where a change of the local
// time moves the clock into the period (past a start in the skipped hour, or
// back into a period it had left).
QDateTime nextPeriodStart(const ForbiddenPeriod& period, const QDateTime& from);
// The first second after the occurrence that holds `moment` (a moment inside):
// when the wall clock leaves the period, also on the nights it changes.
QDateTime periodOccurrenceEnd(const ForbiddenPeriod& period, const QDateTime& moment);
// The key of the period's occurrence acting at `moment` with `action`, for
// warnings: a period changed to another action is warned anew.
QString periodKey(const QDateTime& moment, int action);
// Whether the hold keeps the period from acting at `now`.
bool holdsOff(const PeriodHold& hold, const QDateTime& now);
// The next moment the period will act, seen from `now` when it does not act
// now: the postponed moment, or the next start the hold does not skip.
QDateTime nextPeriodAction(const ForbiddenPeriod& period, const PeriodHold& hold,
                           const QDateTime& now);

} // namespace zelkor
