#pragma once

#include "platform/Platform.h"

#include <QString>
#include <QStringList>

namespace zelkor {

// Makes the task database at `path` from the schema built into the program,
// when no file is there. An existing file holds someone's tasks and is never
// touched. The file appears complete or not at all.
Outcome createTaskDatabase(const QString& path);

// The statements of an SQL script: `--` comments dropped, split at `;`.
QStringList sqlStatements(const QString& script);

} // namespace zelkor
