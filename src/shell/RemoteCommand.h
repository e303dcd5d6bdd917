#pragma once

#include "shell/CommandLine.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>

#include <optional>

// The command line that drives a running Zelkor:
//   zelkor --do ACTION [--force] [--in DURATION | --at TIME | --uptime DURATION
//          | --idle MINUTES] [--target PATH|URL]
//   zelkor --cancel | --status [--json] | --show | --hide | --toggle-hidden | --quit
//   zelkor tasks list [--json] | add TASK-JSON | remove ID | export [--ics] [FILE]
//          | import FILE
namespace zelkor::cli {

// Exit statuses: done, refused by the program, bad usage.
inline constexpr int kDone = 0;
inline constexpr int kRefused = 1;
inline constexpr int kBadUsage = kUsageError;

struct Command {
    enum Kind { Perform, Countdown, Cancel, Status, Show, Hide, ToggleHidden, Quit,
                TasksList, TasksAdd, TasksRemove, TasksExport, TasksImport, Help };
    Kind kind = Status;
    QString action;
    bool forced = false;
    QString mode;  // countdown mode key
    QString value; // its duration in seconds, or its moment in ISO 8601
    QString target;
    bool json = false;
    bool calendar = false; // export as iCalendar
    QString task;          // the task object for `tasks add`
    QString file;          // for export and import; empty or "-": standard output/input
    qint64 id = 0;
};

// Whether the arguments ask for a command rather than the program's window.
bool isCommand(const QStringList& arguments);
bool isCommand(int argc, char* argv[]);

// The command, or the reason the arguments make none. `now` and `locale`
// turn typed moments into ISO 8601.
std::optional<Command> parseCommand(const QStringList& arguments, const QDateTime& now,
                                    const QLocale& locale, QString* why);

// Runs the command against the running program, starting one where none
// runs; prints the result and gives the exit status.
int run(int argc, char* argv[]);

// Whether this program was started by a command to serve it; the mark is
// taken off, so that nothing the program starts carries it on.
bool takeStartedForCommand();

} // namespace zelkor::cli
