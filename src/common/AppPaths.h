#pragma once

#include "platform/Platform.h"

#include <QList>
#include <QPair>
#include <QString>

namespace zelkor {

// Where the program keeps its things. Portable: everything in the program
// folder, as the build leaves it. Installed (from the package): the program
// folder is shared and read-only, and each user has a task database and
// settings of their own in the XDG folders.
enum class Layout { Portable, Installed };

struct AppPaths {
    Layout layout = Layout::Portable;
    QString programDir;   // the program, dll/ with the helpers, the help page
    QString databasePath; // the task database
    QString settingsPath; // last.inc
    QString lockPath;     // the single-instance lock, per user
    QString startCommand; // what the autostart entry runs
};

// The file in dll/ that only the installed layout ships.
inline const QString kInstalledMarker = QStringLiteral("dll/installed");

// An XDG base folder: the variable's value, or `fallback` where it is unset,
// empty or relative (which the XDG rules say to ignore: the folder would move
// with the working folder of whoever started the program).
QString xdgBaseFolder(const char* variable, const QString& fallback);

// Installed when the program folder holds the marker and no task database of
// its own; anything else is the portable layout, as the build has always made it.
Layout layoutOf(const QString& programDir);
QString layoutName(Layout layout);

// Paths of the running program in its folder; the XDG folders as the
// environment sets them now.
AppPaths choosePaths(const QString& programDir);
// The single-instance lock of this user, the same in both layouts.
QString lockPath();
AppPaths portablePaths(const QString& programDir);
AppPaths installedPaths(const QString& programDir);
// The help page beside the program. The package's is a relative link into
// the system's data folders, which a copy of its folder breaks: then the
// system's page, found there; where there is none, still the name beside
// the program, so that the failure to open it names what is missing.
QString helpPagePath(const QString& programDir);

// (label, value) lines naming the layout and every path, for --version and
// the Options tab.
QList<QPair<QString, QString>> describePaths(const AppPaths& paths);

// Makes the folder and those above it that are missing, each for the user's
// eyes only (0700), as the XDG rules ask of what a program makes there;
// folders that exist keep their modes.
Outcome makeUserFolder(const QString& folder);

// Installed layout: makes the user's folders and, when absent, the task
// database from the shipped schema. Portable: nothing to do.
Outcome prepareUserFiles(const AppPaths& paths);

} // namespace zelkor
