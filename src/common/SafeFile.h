#pragma once

#include "platform/Platform.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include <optional>

// Reading and replacing the program's small files (the settings file, the
// autostart entry) without harm to whatever else may sit at their paths.
// People keep such files in a synced folder behind a symbolic link, so a link
// to a regular file is followed; a device, a FIFO, a socket or a folder at the
// path or at the link's end is never opened, read or replaced.
namespace zelkor::safefile {

enum class Kind { Missing, Regular, Directory, Fifo, Socket, CharDevice, BlockDevice, Unknown };

// What is at a path once its links are followed.
struct Entry {
    Kind kind = Kind::Missing;
    bool viaLink = false; // the path itself is a symbolic link
    QString target;       // where the links end: the path itself when it is no link
    QString error;        // why it could not be looked at (Kind::Unknown)
};
Entry inspect(const QString& path);

// Why the thing at `path` may be neither read nor replaced, in plain words
// that start with `what` ("The settings file"); empty for a regular file or
// for nothing at all.
QString refusal(const QString& what, const QString& path, const Entry& entry);

struct ReadResult {
    std::optional<QByteArray> bytes; // nothing when there is no file or it was refused
    QString problem;                 // why it was not read; empty when missing or read
};
// At most maxBytes of the regular file at `path`.
ReadResult readRegular(const QString& what, const QString& path, qint64 maxBytes);

// Replaces the regular file at the end of `path`'s links whole (written beside
// it, then renamed over it, so the old one stays if writing fails), or creates
// it where there is none; the link itself stays. In a folder where nothing new
// may be created, the file is written in place: the only way left.
Outcome replaceRegular(const QString& what, const QString& path, const QByteArray& bytes);

// Writes the bytes into a file being saved and flushes them, so that a full
// disk is seen here: the toolkit's commit() would not see a failed flush and
// would rename the short copy over the good file.
bool writeAll(QSaveFile& file, const QByteArray& bytes);

} // namespace zelkor::safefile
