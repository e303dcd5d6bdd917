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

    M_show = item(this, "M_show", QStringLiteral("Show/Hide main window"));
    M_show->setCheckable(true);
    M_show->setChecked(true);
    M_hide = item(this, "M_hide", QStringLiteral("Hide (Press Ctrl+Alt+H to show)"));
    M_line = line("M_line");

    M_quick = addMenu(QStringLiteral("Quick launch"));
    M_quick->setObjectName(QStringLiteral("M_quick"));
    M_quick->menuAction()->setObjectName(QStringLiteral("M_quick"));
    const struct {
        QAction** member = nullptr;
        const char* name = nullptr;
        ActionKind kind = ActionKind::ShutDown;
    } quick[] = {
        {&M_shutdown, "M_shutdown", ActionKind::ShutDown}, {&M_restart, "M_restart", ActionKind::Restart},
        {&M_logoff, "M_logoff", ActionKind::LogOff},       {&M_standby, "M_standby", ActionKind::StandBy},
        {&M_hibernate, "M_hibernate", ActionKind::Hibernate}, {&M_lock, "M_lock", ActionKind::Lock},
    };
    for (const auto& entry : quick) {
        const int code = int(entry.kind);
        *entry.member = item(M_quick, entry.name, actionName(code));
        connect(*entry.member, &QAction::triggered, this, [this, code] { emit quickLaunch(code); });
    }

    M_line2 = line("M_line2");
    M_run = item(this, "M_run", QStringLiteral("Run at Windows Startup"));
    M_run->setCheckable(true);
    M_line3 = line("M_line3");
    M_tuichu = item(this, "M_tuichu", QStringLiteral("Exit"));
}

} // namespace zelkor
