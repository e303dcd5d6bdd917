#pragma once

#include <QMenu>

namespace zelkor {

// The tray icon's pop-up menu `mnuTray`. Its three lines are disabled items of
// 22 hyphens, not separators.
class TrayMenu : public QMenu {
    Q_OBJECT
public:
    explicit TrayMenu(QWidget* parent = nullptr);

    static QString lineCaption() { return QString(22, QLatin1Char('-')); }

    QAction* M_show = nullptr; // checked while the main window is shown
    QAction* M_hide = nullptr;
    QAction* M_line = nullptr;
    QMenu* M_quick = nullptr;  // "Quick launch"
    QAction* M_shutdown = nullptr;
    QAction* M_restart = nullptr;
    QAction* M_logoff = nullptr;
    QAction* M_standby = nullptr;
    QAction* M_hibernate = nullptr;
    QAction* M_lock = nullptr;
    QAction* M_line2 = nullptr;
    QAction* M_run = nullptr;  // mirrors ChkRun
    QAction* M_line3 = nullptr;
    QAction* M_tuichu = nullptr; // "Exit"

signals:
    void quickLaunch(int actionCode);
};

} // namespace zelkor
