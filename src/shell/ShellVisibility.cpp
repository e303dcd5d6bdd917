#include "shell/ShellVisibility.h"

#include "common/ActionKind.h"
#include "shell/MessageBox.h"
#include "shell/TrayIcon.h"
#include "shell/TrayMenu.h"

#include <QApplication>
#include <QWidget>

namespace zelkor {

ShellVisibility::ShellVisibility(QWidget& mainWindow, AppState& state, TrayMenu& menu, TrayIcon& tray,
                                 std::function<bool()> trayReachable, QObject* parent)
    : QObject(parent), m_main(mainWindow), m_state(state), m_menu(menu), m_tray(tray),
      m_trayReachable(std::move(trayReachable))
{
    // A box that comes while hidden mode hides everything waits for its end,
    // as the boxes that were open when it began.
    MessageBox::setHolder([this](QWidget* box) {
        if (!m_state.hiddenMode)
            return false;
        m_hidden << box;
        return true;
    });
}

ShellVisibility::~ShellVisibility() { MessageBox::setHolder({}); }

QList<QWidget*> ShellVisibility::programWindows() const
{
    QList<QWidget*> windows;
    if (m_main.isVisible())
        windows << &m_main;
    const QWidgetList all = QApplication::topLevelWidgets();
    for (QWidget* w : all) {
        const Qt::WindowType type = w->windowType();
        // Menus, tips and the tray icon's own dock window are not windows of
        // the program in this sense.
        if (w == &m_main || !w->isVisible() || (type != Qt::Window && type != Qt::Dialog) ||
            w->windowFlags().testFlag(Qt::BypassWindowManagerHint))
            continue;
        windows << w;
    }
    return windows;
}

void ShellVisibility::hideToTray()
{
    m_menu.m_showAction->setChecked(false);
    if (!m_trayReachable()) {
        m_main.showMinimized(); // nothing else could bring it back
        return;
    }
    // Hidden first, then marked minimized: asking the window manager to
    // iconify a window that is about to go could land after it came back.
    m_main.hide();
    m_main.setWindowState(m_main.windowState() | Qt::WindowMinimized);
}

void ShellVisibility::showFromTray()
{
    // A Wayland window cannot take back its own minimizing: shown anew, it is back.
    if (showsAnewToRestore && m_main.isMinimized())
        m_main.hide();
    m_main.showNormal();
    m_menu.m_showAction->setChecked(true);
    m_main.raise();
    m_main.activateWindow();
    // A dialog the window waits for comes above it: under the window it
    // blocks, nothing would answer and the program would look hung.
    if (QWidget* waiting = QApplication::activeModalWidget(); waiting && waiting != &m_main) {
        waiting->raise();
        waiting->activateWindow();
    }
}

bool ShellVisibility::putAway() const
{
    // Every way out of sight minimizes the window; a window that is not up
    // at all counts as put away too, whatever the window manager reported last.
    return m_main.isMinimized() || !m_main.isVisible();
}

void ShellVisibility::onTrayClicked()
{
    if (putAway())
        showFromTray();
    else
        hideToTray();
}

void ShellVisibility::onShowHideToggled()
{
    // The menu has already flipped the mark: checked now means it was not.
    if (!m_menu.m_showAction->isChecked())
        hideToTray();
    else
        showFromTray();
}

void ShellVisibility::enterHiddenMode()
{
    m_state.hiddenMode = true;
    m_hidden.clear();
    for (QWidget* w : programWindows()) {
        m_hidden << w;
        w->hide();
    }
    m_tray.removeTrayIcon();
}

void ShellVisibility::leaveHiddenMode()
{
    m_state.hiddenMode = false;
    m_main.showNormal(); // the main window comes back even from the tray
    // Then the others, in their order: a dialog or a message comes back above
    // the main window, still open and still waiting for its answer.
    for (const QPointer<QWidget>& w : std::as_const(m_hidden))
        if (w && w != &m_main)
            w->show();
    m_hidden.clear();
    m_tray.addTrayIcon();
    m_tray.setTrayTip(kAppTitle);
}

void ShellVisibility::onHideChosen()
{
    enterHiddenMode();
}

void ShellVisibility::onHotKey()
{
    if (m_state.hiddenMode)
        leaveHiddenMode();
    else
        enterHiddenMode();
}

} // namespace zelkor
