#include "shell/AutostartSwitch.h"

#include "shell/Autostart.h"

#include <QAction>
#include <QCheckBox>
#include <QSignalBlocker>

namespace zelkor {

AutostartSwitch::AutostartSwitch(const QString& programPath, QCheckBox& chkRun, QAction& mRun, QObject* parent)
    : QObject(parent), m_programPath(programPath), m_chkRun(chkRun), m_mRun(mRun)
{
    connect(&m_chkRun, &QCheckBox::toggled, this, &AutostartSwitch::ChkRun_Click);
    connect(&m_mRun, &QAction::triggered, this, &AutostartSwitch::M_run_Click);
}

QString AutostartSwitch::entryPath() const { return autostart::entryPath(); }

void AutostartSwitch::ChkRun_Click()
{
    if (m_reverting)
        return;
    const bool on = m_chkRun.isChecked();
    m_mRun.setChecked(on);
    write(on);
}

void AutostartSwitch::M_run_Click()
{
    // Setting ChkRun runs its handler, which writes the same text once more.
    const bool on = !m_chkRun.isChecked();
    if (!write(on))
        return;
    m_mRun.setChecked(on);
    m_chkRun.setChecked(on);
}

bool AutostartSwitch::entryIsOn() const
{
    const std::optional<QByteArray> entry = autostart::readEntry(entryPath());
    return entry && autostart::isOn(*entry, m_programPath);
}

void AutostartSwitch::startupCheck()
{
    if (entryIsOn()) {
        m_chkRun.setChecked(true);
        m_mRun.setChecked(true);
    }
}

bool AutostartSwitch::write(bool on)
{
    const Outcome outcome = autostart::writeEntry(entryPath(), m_programPath, on);
    if (outcome.ok)
        return true;
    // The marks must not claim what the entry does not do.
    showActualState();
    emit problem(outcome.error);
    return false;
}

void AutostartSwitch::showActualState()
{
    const bool on = entryIsOn();
    m_reverting = true;
    m_chkRun.setChecked(on);
    m_mRun.setChecked(on);
    m_reverting = false;
}

} // namespace zelkor
