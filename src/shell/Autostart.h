#pragma once

#include "platform/Platform.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The autostart entry: an XDG autostart file that starts this program with the
// desktop session. Switching it off keeps the file and marks it Hidden, so the
// entry is never deleted.
namespace zelkor::autostart {

// $XDG_CONFIG_HOME/autostart/zelkor.desktop, ~/.config when that is not set.
QString entryPath();

// The Exec value that starts `programPath`, quoted and escaped as desktop
// files want it.
QString execValue(const QString& programPath);

// The whole file: the on text starts the program, the off text is the same
// entry with Hidden=true.
QByteArray entryText(const QString& programPath, bool on);

// The entry is on when it starts this program as the session reads it: its
// Exec is this program's, and neither Hidden nor a desktop's own switch
// turns it off; an entry written from another folder reads as off.
bool isOn(const QByteArray& contents, const QString& programPath);

// Nothing when the entry does not exist or cannot be read; then `problem`
// says why, unless there is simply no entry. Only a regular file is read, and
// only a regular file is replaced (common/SafeFile.h).
std::optional<QByteArray> readEntry(const QString& path, QString* problem = nullptr);
Outcome writeEntry(const QString& path, const QString& programPath, bool on);

} // namespace zelkor::autostart
