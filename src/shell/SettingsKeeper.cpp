#include "shell/SettingsKeeper.h"

#include "shell/OptionsPage.h"

#include <QCheckBox>

namespace zelkor {

SettingsKeeper::SettingsKeeper(const QString& path, TimerStateHolder& timer, OptionsPage& options,
                               QObject* parent)
    : QObject(parent), m_path(path), m_timer(timer), m_options(options)
{
    connect(m_options.Check1, &QCheckBox::toggled, this, &SettingsKeeper::optionChanged);
    connect(m_options.Check2, &QCheckBox::toggled, this, &SettingsKeeper::optionChanged);
}

void SettingsKeeper::optionChanged()
{
    if (!m_loading)
        SaveSettings();
}

settings::SettingsRecord SettingsKeeper::currentRecord() const
{
    settings::SettingsRecord record;
    record.timer = m_timer.timerState();
    record.check1 = m_options.Check1->isChecked();
    record.check2 = m_options.Check2->isChecked();
    return record;
}

void SettingsKeeper::SaveSettings()
{
    // Not told when it fails, as before: the options are only convenience.
    settings::write(m_path, currentRecord());
}

void SettingsKeeper::apply(const settings::SettingsRecord& record)
{
    m_loading = true;
    m_timer.applyTimerState(record.timer);
    if (record.check1)
        m_options.Check1->setChecked(*record.check1);
    if (record.check2)
        m_options.Check2->setChecked(*record.check2);
    m_loading = false;
}

void SettingsKeeper::LoadSettings()
{
    // Without a file every control keeps its design value; so do the controls
    // whose lines a short file lacks.
    if (const std::optional<settings::SettingsRecord> record = settings::read(m_path))
        apply(*record);
}

} // namespace zelkor
