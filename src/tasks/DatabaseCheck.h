#pragma once

#include <QSqlDatabase>
#include <QString>

class QSqlError;

namespace zelkor
{

// What a look at the task database file found.
struct DatabaseFinding {
    enum class Kind {
        Usable,
        Missing,
        Folder,       // a folder stands where the file should be
        NotAFile,     // a device, a pipe, a socket
        Empty,        // no bytes at all
        NotADatabase, // bytes, but no SQLite database
        NoTaskTable,
        Locked,     // another program holds it locked
        CannotOpen, // anything else SQLite refused; detail says what
        Damaged,    // opens, but its quick check found damage; detail says where
    };
    Kind kind = Kind::Usable;
    QString detail; // SQLite's own words, for CannotOpen and Damaged

    bool usable() const { return kind == Kind::Usable; }
    // Rows can still be read, though maybe not all of them.
    bool readable() const { return kind == Kind::Usable || kind == Kind::Damaged; }
};

// How long a statement waits for another program's lock before it gives up:
// the window must never wait for seconds on a file someone else holds.
inline constexpr int kTaskDatabaseBusyMs = 250;

// Adds (not yet opens) the connection `name` to the task database at `path`,
// set up the one way the program uses it: an existing file only, never
// created, read-write, waiting at most `busyMs` for a lock.
QSqlDatabase addTaskConnection(const QString& name, const QString& path, int busyMs);

// Looks at what stands at `path`, opens it, runs SQLite's quick check of its
// structure and looks for the task table. Reads only.
DatabaseFinding checkTaskDatabase(const QString& path, int busyMs);

// SQLite's primary result code behind a failed statement; 0 when the failure
// did not come from SQLite.
int sqliteCode(const QSqlError& error);
// Whether the code says that another connection holds the file locked.
bool isLockCode(int code);
// Whether the code says that the file is damaged.
bool isDamageCode(int code);

// What is wrong, as the end of a sentence: "the file is missing".
QString findingText(const DatabaseFinding& finding);

} // namespace zelkor
