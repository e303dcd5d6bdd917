#pragma once

#include "common/AppState.h"

#include <QGuiApplication>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace zelkor {

class TrayIcon;
class TrayMenu;

// Which windows are seen: the left click on the tray icon, "Show/Hide main
// window", hidden mode through "Hide" and the hot key. The main window's
// minimized state is the sign that it was put away.
class ShellVisibility : public QObject {
    Q_OBJECT
public:
    // `trayReachable` tells whether an icon in a tray can bring the window back.
    ShellVisibility(QWidget& mainWindow, AppState& state, TrayMenu& menu, TrayIcon& tray,
                    std::function<bool()> trayReachable, QObject* parent = nullptr);
    ~ShellVisibility() override;

    void onTrayClicked();     // left click on the icon
    void onShowHideToggled(); // after the menu toggled the item's check mark
    void onHideChosen();
    void onHotKey(); // Ctrl+Alt+H

    // Unchecks "Show/Hide main window", minimizes the main window and hides
    // it; without a tray to bring it back it stays minimized instead.
    void hideToTray();
    void showFromTray();
    void enterHiddenMode();
    void leaveHiddenMode();

    // The main window was put in the tray or minimized.
    bool putAway() const;

    // The windows of the program that are up, main window first.
    QList<QWidget*> programWindows() const;

    // Where a minimized window cannot be restored by asking (Wayland), it is
    // unmapped and shown anew.
    bool showsAnewToRestore = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));

private:
    QWidget& m_main;
    AppState& m_state;
    TrayMenu& m_menu;
    TrayIcon& m_tray;
    std::function<bool()> m_trayReachable;
    QList<QPointer<QWidget>> m_hidden; // what hidden mode put away
};

} // namespace zelkor
