#pragma once

#include "platform/Platform.h"

#include <QByteArray>
#include <QString>

// The warning's lead time and the password's hash, in "guard.inc" beside
// "last.inc": lines "warn=<seconds>" and "password=<hash>", so last.inc keeps
// its own layout untouched.
namespace zelkor::guard
{

struct GuardSettings {
    int warnSeconds = 60;    // 0: no warning
    QByteArray passwordHash; // crypto_pwhash_str text; empty: no password
};

inline constexpr int kMaxWarnSeconds = 3600;

// guard.inc in the folder of `settingsPath` (last.inc), in either layout.
QString filePath(const QString& settingsPath);
QByteArray format(const GuardSettings& settings);
struct Loaded {
    GuardSettings settings;
    QString problem; // why a file that is there was not read; empty when read or missing
};
// Unknown or broken lines are passed over and missing values keep their
// defaults; a password line without a usable hash is a problem, about `path`.
Loaded parse(const QByteArray& bytes, const QString& path = {});
// Read as the settings file is: a FIFO, a device or a folder is never opened.
Loaded read(const QString& path);
// Replaces the file whole, readable by its owner only.
Outcome write(const QString& path, const GuardSettings& settings);

} // namespace zelkor::guard
