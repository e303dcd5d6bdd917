#pragma once

#include <QMenu>

namespace zelkor {

// The tray icon's pop-up menu `trayMenu`. Its three lines are disabled items of
// 22 hyphens, not separators.
class TrayMenu : public QMenu {
    Q_OBJECT
public:
    explicit TrayMenu(QWidget* parent = nullptr);

    static QString lineCaption() { return QString(22, QLatin1Char('-')); }

    QAction* m_showAction = nullptr; // checked while the main window is shown
    QAction* m_hideAction = nullptr;
    QAction* m_line1 = nullptr;
    QMenu* m_quickMenu = nullptr;
    QAction* m_shutdownAction = nullptr;
    QAction* m_restartAction = nullptr;
    QAction* m_logoffAction = nullptr;
    QAction* m_standbyAction = nullptr;
    QAction* m_hibernateAction = nullptr;
    QAction* m_lockAction = nullptr;
    QAction* m_line2 = nullptr;
    QAction* m_runAtStartupAction = nullptr; // mirrors the Options check box
    QAction* m_line3 = nullptr;
    QAction* m_exitAction = nullptr;

signals:
    void quickLaunch(int actionCode);
};

} // namespace zelkor
