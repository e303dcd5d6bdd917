#pragma once

#include "countdown/TimerTabState.h"
#include "platform/Platform.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

// The settings file "last.inc" beside the program: 13 lines ended by CR LF,
// the Timer tab's state and the two start-up options.
namespace zelkor::settings {

struct SettingsRecord {
    TimerTabState timer;
    std::optional<bool> startInTray; // "Minimized to system tray when run"
    std::optional<bool> startHidden; // "Hide main window and tray icon when run"
};

inline constexpr int kLineCount = 13;
// Far more than 13 lines can hold; a larger file is not read past this.
inline constexpr qint64 kMaxReadBytes = 64 * 1024;

QString filePath(const QString& programDir);

// The file's bytes. A field without a value writes an empty line where later
// lines follow, so that those lines keep their places, and nothing at the end.
QByteArray format(const SettingsRecord& record);
// Reads whatever the bytes hold; a line that cannot be applied stays empty,
// and so do lines missing from a short file.
SettingsRecord parse(const QByteArray& bytes);

// Replaces the file whole; the old file stays if the new one cannot be written.
// Only a regular file is replaced (common/SafeFile.h); anything else is refused.
Outcome write(const QString& path, const SettingsRecord& record);
// Nothing when there is no file. A file that is there but may not or cannot
// be read gives an empty record and says why in `problem`.
std::optional<SettingsRecord> read(const QString& path, QString* problem = nullptr);

// --- line readers, one per kind of line ---
// True or False in any case, or a number (non-zero is true).
std::optional<bool> booleanLine(QStringView line);
// Leading blanks skipped, then the longest leading part that forms a decimal
// number; 0 when there is none.
double leadingNumber(QStringView line);
// A check box value: the number rounded half to even must be 0 or 1.
std::optional<bool> checkLine(QStringView line);
// An action code: the rounded number must be 1..9.
std::optional<int> actionLine(QStringView line);
std::optional<QDateTime> dateTimeLine(QStringView line);

} // namespace zelkor::settings
