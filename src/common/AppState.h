#pragma once

#include "common/AppPaths.h"

#include <QString>
#include <QtGlobal>

namespace zelkor {

class TaskDatabaseState;

// The handful of program-wide flags and values, handed to those who need them.
struct AppState {
    bool exitRequested = false;  // Exit is under way; the close request lets the window go
    bool hiddenMode = false;     // no window and no tray icon; only the hot key leaves it
    bool selfSuspend = false;    // the program's own hibernation is under way
    bool startedForCommand = false; // started by a command line to serve it: a second instance ends silently
    qint64 selectedTaskId = 0;   // task last clicked in the list; 0 = none
    QString remindText;          // the reminder window's message
    AppPaths paths;              // program folder, task database, settings, lock
    TaskDatabaseState* databaseState = nullptr; // can the task database be used; read by its users
};

} // namespace zelkor
