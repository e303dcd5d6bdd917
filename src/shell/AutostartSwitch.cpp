#include "shell/AutostartSwitch.h"

#include "shell/Autostart.h"

#include <QAction>
#include <QCheckBox>
#include <QSignalBlocker>

namespace zelkor {

AutostartSwitch::AutostartSwitch(const QString& programPath, QCheckBox& chkRun, QAction& mRun,
                                 QObject* parent)
    : QObject(parent), m_programPath(programPath), m_check(chkRun), m_menuAction(mRun)
{
    connect(&m_check, &QCheckBox::toggled, this, &AutostartSwitch::onCheckChanged);
    connect(&m_menuAction, &QAction::triggered, this, &AutostartSwitch::onMenuToggled);
}

QString AutostartSwitch::entryPath() const { return autostart::entryPath(); }

void AutostartSwitch::onCheckChanged()
{
    if (m_reverting)
        return;
    const bool on = m_check.isChecked();
    m_menuAction.setChecked(on);
    write(on);
}

void AutostartSwitch::onMenuToggled()
{
    // Setting m_runAtStartupCheck runs its handler, which writes the same text once more.
    const bool on = !m_check.isChecked();
    // The item has toggled its own mark already.
    if ((m_menuGuard && !m_menuGuard()) || !write(on)) {
        m_menuAction.setChecked(m_check.isChecked());
        return;
    }
    m_menuAction.setChecked(on);
    m_check.setChecked(on);
}

bool AutostartSwitch::entryIsOn(QString* problem) const
{
    const std::optional<QByteArray> entry = autostart::readEntry(entryPath(), problem);
    return entry && autostart::isOn(*entry, m_programPath);
}

void AutostartSwitch::startupCheck()
{
    QString why;
    if (entryIsOn(&why)) {
        m_check.setChecked(true);
        m_menuAction.setChecked(true);
    }
    // No entry is no news; one that is there but not a readable file is.
    if (!why.isEmpty())
        emit problem(why);
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
    m_check.setChecked(on);
    m_menuAction.setChecked(on);
    m_reverting = false;
}

} // namespace zelkor
