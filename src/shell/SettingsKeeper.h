#pragma once

#include "common/OncePerCause.h"
#include "shell/SettingsFile.h"

#include <QObject>

namespace zelkor {

class OptionsPage;

// Keeps "last.inc": saves it whenever "Minimized to system tray when run" or
// "Hide main window and tray icon when run" changes (except while loading) and
// when asked at the real close; loads it once at start-up.
class SettingsKeeper : public QObject {
    Q_OBJECT
public:
    SettingsKeeper(const QString& path, TimerStateHolder& timer, OptionsPage& options,
                   QObject* parent = nullptr);

    Outcome saveSettings(); // also told through problem(), once per cause
    void loadSettings();

    settings::SettingsRecord currentRecord() const;
    void apply(const settings::SettingsRecord& record);
    QString path() const { return m_path; }

signals:
    // The file is not there as a regular file, or cannot be read or written.
    // Told at start-up, and at a save once per cause until a save works.
    void problem(const QString& message);

private:
    void optionChanged();

    QString m_path;
    TimerStateHolder& m_timer;
    OptionsPage& m_options;
    bool m_loading = false;
    QString m_readProblem; // why the file could not be read at start; empty: it could
    OncePerCause m_told;
};

} // namespace zelkor
