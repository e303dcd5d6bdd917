#pragma once

#include "platform/Platform.h"
#include "tasks/TaskRow.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <array>
#include <optional>

namespace zelkor {

class TaskStore;

// What the task dialog holds, control by control, so that checking and storing
// a task are plain functions of it.
struct TaskDraft {
    int kind = -1; // a `type` code, -1 = none chosen
    QTime periodStart{21, 30, 0};
    QTime periodEnd{23, 59, 0};
    QTime time{0, 0, 0}; // time of day (and the time of a Once task)
    QDate onceDate;
    QDate monthDay{2009, 10, 1}; // only its day of the month counts
    std::array<bool, 7> days{false, true, true, true, true, true, false}; // Sunday first
    int action = 1;      // action list position, 1..8
    int targetMode = 0;  // 0 launch, 1 show message, -1 = none chosen (column `fujia`)
    QString description; // the target or message as typed
};

inline const QString kInvalidDateTime = QStringLiteral("Invalid date/time");
inline const QString kNoKindChosen =
    QStringLiteral("Choose when the task runs (Not allow to use computer, Once, Daily, Monthly or Weekly) "
                   "before saving it.");

// Why a draft may not be saved, or nothing when it may: a kind must be chosen,
// and a Once task must lie at least one second after now.
std::optional<QString> refusalOf(const TaskDraft& draft, const QDateTime& now);
inline const QString kNoDayChosen =
    QStringLiteral("Choose at least one day for a Weekly task: without one it never runs.");

// What the task dialog refuses: the same, and a Weekly task without a day,
// which would never run. Such tasks stored or exported before are kept.
std::optional<QString> dialogRefusalOf(const TaskDraft& draft, const QDateTime& now);

// Actions 7 and 8 carry a launch-or-message choice and a text.
bool actionUsesText(int action);

// The moment of a Once task: the date joined with the time of day.
QDateTime onceMoment(const TaskDraft& draft);

// A Once task whose moment exists and is not after `now`: it runs no more.
bool hasPassed(const TaskDraft& draft, const QDateTime& now);

// The description as stored: spaces at both ends removed.
QString storedDescription(const QString& typed);

// The dialog's values after loading a stored row over `base`, the values it
// opened with. The kind, the schedule fields of the row's kind, the action and
// (for actions 7 and 8) the launch-or-message choice and the text are taken
// from the row where they hold something usable; everything else keeps its
// value from base, so a damaged row opens as far as it can be read.
TaskDraft loadedDraft(const TaskRow& row, TaskDraft base);
// A row as a task file or a calendar describes it: nothing for a row of no
// known kind or action, or whose schedule cannot be read (a Monthly task
// without its day, a Once task without a valid moment), which would be read
// back as another task (a shutdown, a shutdown on the 1st).
std::optional<TaskDraft> describedDraft(const TaskRow& row);

// Writes the draft as a new row (editId empty) or over the row editId, through
// `ado`. Only the columns of the draft's kind and action are written; an
// edited row keeps the rest. A missing `fujia` column is passed over; any
// other column that cannot be written stores nothing and says why. The id of
// the stored row goes to `storedId` where one is given.
Outcome storeDraft(TaskStore& ado, const TaskDraft& draft, std::optional<qint64> editId,
                   qint64* storedId = nullptr);

} // namespace zelkor
