#include "shell/TrayMenu.h"

#include "common/ActionKind.h"

namespace zelkor {

TrayMenu::TrayMenu(QWidget* parent) : QMenu(parent)
{
    setObjectName(QStringLiteral("mnuTray"));
    const auto item = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    const auto line = [&item, this](const char* name) {
        QAction* action = item(this, name, lineCaption());
        action->setEnabled(false);
        return action;
    };

    m_showAction = item(this, "M_show", QStringLiteral("Show/Hide main window"));
    m_showAction->setCheckable(true);
    m_showAction->setChecked(true);
    m_hideAction = item(this, "M_hide", QStringLiteral("Hide (Press Ctrl+Alt+H to show)"));
    m_line1 = line("M_line");

    m_quickMenu = addMenu(QStringLiteral("Quick launch"));
    m_quickMenu->setObjectName(QStringLiteral("M_quick"));
    m_quickMenu->menuAction()->setObjectName(QStringLiteral("M_quick"));
    const struct {
        QAction** member = nullptr;
        const char* name = nullptr;
        ActionKind kind = ActionKind::ShutDown;
    } quick[] = {
        {&m_shutdownAction, "M_shutdown", ActionKind::ShutDown},
        {&m_restartAction, "M_restart", ActionKind::Restart},
        {&m_logoffAction, "M_logoff", ActionKind::LogOff},
        {&m_standbyAction, "M_standby", ActionKind::StandBy},
        {&m_hibernateAction, "M_hibernate", ActionKind::Hibernate},
        {&m_lockAction, "M_lock", ActionKind::Lock},
    };
    for (const auto& entry : quick) {
        const int code = int(entry.kind);
        *entry.member = item(m_quickMenu, entry.name, actionName(code));
        connect(*entry.member, &QAction::triggered, this, [this, code] { emit quickLaunch(code); });
    }

    m_line2 = line("M_line2");
    m_runAtStartupAction = item(this, "M_run", QStringLiteral("Run at Windows Startup"));
    m_runAtStartupAction->setCheckable(true);
    m_line3 = line("M_line3");
    m_exitAction = addAction(QStringLiteral("Exit"));
    m_exitAction->setObjectName(QStringLiteral("M_tuichu"));
}

} // namespace zelkor
