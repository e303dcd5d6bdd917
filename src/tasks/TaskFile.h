#pragma once

#include "platform/Platform.h"
#include "tasks/TaskDraft.h"
#include "tasks/TaskRow.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>

#include <optional>

class QDateTime;

// Stored tasks as a JSON file (docs/task-file.md describes the format):
//   {"version": 1, "tasks": [{"schedule": "weekly", "time": "08:30",
//     "days": ["mon", "fri"], "action": "shutdown"}, ...]}
// Reading and writing are plain functions; the import stores all tasks of a
// file in one transaction or none of them.
namespace zelkor::taskfile {

inline constexpr int kVersion = 1;

// One task as the file's object; `id` is written when given (the export does,
// so scripts can name a task to change or remove) and ignored on reading.
QJsonObject toJson(const TaskDraft& draft, std::optional<qint64> id = std::nullopt);

// The draft a file object describes, or why it cannot be one. Unknown fields,
// fields of another schedule, and values out of range are refused.
std::optional<TaskDraft> fromJson(const QJsonObject& task, QString* why);

// Every readable row as a file, newest last (in the order given).
QByteArray exportText(const QList<TaskRow>& rows);

// The tasks of a file, or an error naming the line, the task and the reason.
struct Parsed {
    QList<TaskDraft> drafts;
    QList<int> lines; // where each draft's task starts in the file
    QString error;    // empty when the file is sound
};
Parsed parse(const QByteArray& text);
// The first field given twice in one object of the JSON text, with its
// quotes; empty when none is. The JSON reader keeps the last without a word.
QByteArray repeatedField(const QByteArray& text);

// Checks every draft as the task dialog does (at `now`; a refusal names the
// task's line where the file gave it), except that a Once task that has
// passed, and a Weekly task without a day, are kept, as an export writes them
// (they run no more, or never); then stores all of
// them in one transaction. Nothing is stored unless everything is.
// `taskRefused` tells a draft the dialog would refuse from a table that
// would not take the rows.
Outcome importDrafts(TaskStore& store, const Parsed& parsed, const QDateTime& now,
                     bool* taskRefused = nullptr);

} // namespace zelkor::taskfile
