#include "shell/SettingsKeeper.h"

#include "shell/OptionsPage.h"

#include <QCheckBox>

namespace zelkor {

SettingsKeeper::SettingsKeeper(const QString& path, TimerStateHolder& timer, OptionsPage& options,
                               QObject* parent)
    : QObject(parent), m_path(path), m_timer(timer), m_options(options)
{
    connect(m_options.m_startInTrayCheck, &QCheckBox::toggled, this,
            &SettingsKeeper::optionChanged);
    connect(m_options.m_startHiddenCheck, &QCheckBox::toggled, this,
            &SettingsKeeper::optionChanged);
}

void SettingsKeeper::optionChanged()
{
    if (!m_loading)
        saveSettings();
}

settings::SettingsRecord SettingsKeeper::currentRecord() const
{
    settings::SettingsRecord record;
    record.timer = m_timer.timerState();
    record.startInTray = m_options.m_startInTrayCheck->isChecked();
    record.startHidden = m_options.m_startHiddenCheck->isChecked();
    return record;
}

Outcome SettingsKeeper::saveSettings()
{
    // A file that could not be read may hold what the user set: it is not
    // replaced by what this run had to start from (already told).
    const Outcome outcome = m_readProblem.isEmpty() ? settings::write(m_path, currentRecord())
                                                    : Outcome::failure(m_readProblem);
    if (m_told.shouldTell(m_path, outcome))
        emit problem(outcome.error);
    return outcome;
}

void SettingsKeeper::apply(const settings::SettingsRecord& record)
{
    m_loading = true;
    m_timer.applyTimerState(record.timer);
    if (record.startInTray)
        m_options.m_startInTrayCheck->setChecked(*record.startInTray);
    if (record.startHidden)
        m_options.m_startHiddenCheck->setChecked(*record.startHidden);
    m_loading = false;
}

void SettingsKeeper::loadSettings()
{
    // Without a file every control keeps its design value; so do the controls
    // whose lines a short file lacks.
    if (const std::optional<settings::SettingsRecord> record = settings::read(m_path, &m_readProblem))
        apply(*record);
    if (!m_readProblem.isEmpty() && m_told.shouldTell(m_path, Outcome::failure(m_readProblem)))
        emit problem(m_readProblem);
}

} // namespace zelkor
