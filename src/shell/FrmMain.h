#pragma once

#include "common/AppState.h"
#include "platform/Platform.h"

#include <QMainWindow>

#include <memory>

class QCheckBox;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolBar;

namespace zelkor {

class ActionExecutor;
class AutostartSwitch;
class FrmRemind;
class ModTimer;
class OptionsPage;
class PeriodGuard;
class TaskScheduler;
class TasksPage;
class PowerOnCycle;
class GlobalHotKey;
class SettingsKeeper;
class ShellVisibility;
class SuspendFilter;
class TimerTab;
class TrayIcon;
class TrayMenu;

// The main window: a shell that owns one object per concern and runs the
// start-up sequence, the close request and Exit.
class FrmMain : public QMainWindow {
    Q_OBJECT
public:
    FrmMain(Platform& platform, AppState& state, QWidget* parent = nullptr);
    ~FrmMain() override;

    // The start-up sequence. False when this process must end at once (a
    // second instance, or a window created again after Exit).
    bool Form_Load();
    void Exit();

    // The refresh after a task was saved or deleted, always in this order.
    void refreshAfterTaskChange();
    void MSFlexGrid1disp();
    void notAllow();
    void otherTask();
    void TimEvery_Timer(); // the task poll's tick
    void TimNot_Timer();   // the forbidden period's tick

    void Toolbar1_ButtonClick(const QString& key);
    void Timer3_Timer(); // clock and uptime
    void openHelp();

    // The desktop session is ending: close without holding it up, keeping
    // what Exit keeps.
    void sessionEnding();

    // Whether a tray icon stands for the hidden window; without one, closing
    // only minimizes, so the program can always be reached.
    void setTrayIconShown(bool shown) { m_trayIconShown = shown; }

    Platform& platform() { return m_platform; }
    AppState& state() { return m_state; }
    ActionExecutor& actions() { return *m_actions; }
    TimerTab* timerTab() const { return m_timerTab; }
    OptionsPage* optionsPage() const { return m_options; }
    TasksPage* tasksPage() const { return m_tasksPage; }
    FrmRemind* reminder();
    TaskScheduler& scheduler() { return *m_scheduler; }
    ModTimer& modTimer() { return *m_modTimer; }
    PowerOnCycle* powerOn() const { return m_powerOn; }
    TrayMenu* mnuTray() const { return m_trayMenu; }
    TrayIcon* trayIcon() const { return m_tray; }
    ShellVisibility* visibility() const { return m_visibility; }
    SettingsKeeper* settingsKeeper() const { return m_settings; }

    QToolBar* Toolbar1 = nullptr;
    QTabWidget* SSTab1 = nullptr;
    QCheckBox* chkWakeOn = nullptr;
    QPushButton* CmdTest = nullptr;
    QTimer* Timer1 = nullptr; // one-shot nudge before a wake wait
    QTimer* Timer3 = nullptr; // clock and uptime
    QTimer* TimEvery = nullptr; // task poll, owned by the scheduler
    QTimer* TimNot = nullptr;   // forbidden-period check, owned by its guard

signals:
    void shownStateChanged(bool shown); // the window was hidden to the tray or shown

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolbar();
    void buildShell();
    void InitMainWindow();
    void SaveSettings();

    Platform& m_platform;
    AppState& m_state;
    ActionExecutor* m_actions = nullptr;
    TimerTab* m_timerTab = nullptr;
    OptionsPage* m_options = nullptr;
    TasksPage* m_tasksPage = nullptr;
    FrmRemind* m_reminder = nullptr;
    TaskScheduler* m_scheduler = nullptr;
    PeriodGuard* m_periodGuard = nullptr;
    ModTimer* m_modTimer = nullptr;   // the wake waits
    PowerOnCycle* m_powerOn = nullptr; // the scheduled power-on
    TrayMenu* m_trayMenu = nullptr;
    TrayIcon* m_tray = nullptr;
    ShellVisibility* m_visibility = nullptr;
    SettingsKeeper* m_settings = nullptr;
    AutostartSwitch* m_autostart = nullptr;
    std::unique_ptr<GlobalHotKey> m_hotKey;
    std::unique_ptr<SuspendFilter> m_suspendFilter;
    bool m_trayIconShown = false;
};

} // namespace zelkor
