#pragma once

#include "common/AppState.h"
#include "platform/Platform.h"
#include "scheduler/SecondPoll.h"

#include <QMainWindow>

#include <memory>
#include <optional>

class QCheckBox;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolBar;

namespace zelkor
{

class ActionExecutor;
class AutostartSwitch;
class ReminderWindow;
class WakeWaits;
class OptionsPage;
class PeriodGuard;
struct TaskDraft;
class TaskDatabaseState;
class TaskScheduler;
class TasksPage;
class PowerOnCycle;
class SafetyKeeper;
class SafetyOptions;
class WarningCenter;
class WarningDesk;
class GlobalHotKey;
class SettingsKeeper;
class ShellVisibility;
class SuspendFilter;
class TimerTab;
class TrayIcon;
class TrayMenu;

// Asked when the window is closed on a desktop without a tray.
inline const QString kEndWithoutTray =
    QStringLiteral("This desktop shows no system tray for Zelkor to wait in. Do you want to end Zelkor? "
                   "Its countdown and tasks stop until it is started again; No minimizes the window.");

// Told where hidden mode is chosen and Ctrl+Alt+H cannot be had.
inline const QString kNoHotKeyWayBack =
    QStringLiteral("Ctrl+Alt+H is not available on this desktop (another program holds it, or the desktop "
                   "gives programs no global keys), so it cannot bring Zelkor back from hidden mode. "
                   "Run \"zelkor --toggle-hidden\" instead; a shortcut of the desktop can run it.");

// The main window: a shell that owns one object per concern and runs the
// start-up sequence, the close request and Exit.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    MainWindow(Platform& platform, AppState& state, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence. False when this process must end at once (a
    // second instance, or a window created again after Exit). WindowFirst
    // shows the window before the rest of the sequence, which then follows
    // its first paint and ends with startedUp().
    enum class StartOrder { AllAtOnce, WindowFirst };
    bool startUp(StartOrder order = StartOrder::AllAtOnce);
    void exitProgram(); // asks for the password, if one is set
    void quitProgram(); // ends the program without asking
    // The save an exit makes, before anything ends; from then on nothing acts.
    Outcome saveForExit();

    // The refresh after a task was saved or deleted, always in this order.
    void refreshAfterTaskChange();
    void refreshTaskList();
    void loadForbiddenPeriod();
    void selectNextTask();
    void fireDueTask();            // the task poll's tick
    void enforceForbiddenPeriod(); // the forbidden period's tick

    void onToolbarButton(const QString& key);
    void updateClock(); // clock and uptime
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
    ReminderWindow* reminder();
    TaskScheduler& scheduler() { return *m_scheduler; }
    WakeWaits& wakeWaits() { return *m_wakeWaits; }
    PowerOnCycle* powerOn() const { return m_powerOn; }
    TrayMenu* trayMenu() const { return m_trayMenu; }
    TrayIcon* trayIcon() const { return m_tray; }
    ShellVisibility* visibility() const { return m_visibility; }
    SettingsKeeper* settingsKeeper() const { return m_settings; }
    TaskDatabaseState* databaseState() const { return m_databaseState; }
    SafetyKeeper* safety() const { return m_safety; }
    SafetyOptions* safetyOptions() const { return m_safetyOptions; }
    WarningDesk* warningDesk() const { return m_warningDesk; }
    WarningCenter* warningCenter() const { return m_warningCenter; }
    // Whether a new forbidden period would take the place of one in force
    // (only the newest counts): with a password, that asks for it.
    bool replacesPeriodInForce(const QList<TaskDraft>& drafts) const;
    // A problem the user must know of: a box that does not block, and the log.
    // One told before the window is on screen is shown once it is.
    void tell(const QString& message);

    QToolBar* m_toolbar = nullptr;
    QTabWidget* m_tabs = nullptr;
    QCheckBox* m_wakeOnCheck = nullptr;
    QPushButton* m_hiddenTestButton = nullptr;
    QTimer* m_clockTimer = nullptr; // only while the window is on screen
    QTimer* m_taskPollTimer = nullptr; // owned by the scheduler
    QTimer* m_periodTimer = nullptr;   // owned by the forbidden period's guard

signals:
    void shownStateChanged(bool shown); // the window was hidden to the tray or shown
    void startedUp();                   // the whole start-up sequence has run

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void tellWayBackFromHiding();
    void buildToolbar();
    void buildShell();
    void prepareWindow();  // what the window shows at first
    void finishStartUp(); // the rest of the start-up sequence, once
    void saveSettings();
    void buildSafety(); // MainWindowSafety.cpp
    void followVisibility();

    Platform& m_platform;
    AppState& m_state;
    TaskDatabaseState* m_databaseState = nullptr;
    ActionExecutor* m_actions = nullptr;
    TimerTab* m_timerTab = nullptr;
    OptionsPage* m_options = nullptr;
    TasksPage* m_tasksPage = nullptr;
    ReminderWindow* m_reminder = nullptr;
    TaskScheduler* m_scheduler = nullptr;
    PeriodGuard* m_periodGuard = nullptr;
    WakeWaits* m_wakeWaits = nullptr;  // the wake waits
    PowerOnCycle* m_powerOn = nullptr; // the scheduled power-on
    TrayMenu* m_trayMenu = nullptr;
    TrayIcon* m_tray = nullptr;
    ShellVisibility* m_visibility = nullptr;
    SettingsKeeper* m_settings = nullptr;
    AutostartSwitch* m_autostart = nullptr;
    std::unique_ptr<GlobalHotKey> m_hotKey;
    std::unique_ptr<SuspendFilter> m_suspendFilter;
    SafetyKeeper* m_safety = nullptr;
    SafetyOptions* m_safetyOptions = nullptr;
    WarningDesk* m_warningDesk = nullptr;
    WarningCenter* m_warningCenter = nullptr;
    bool m_trayIconShown = false;
    bool m_startPending = false; // the start-up sequence has yet to finish
    // Set once the settings were read: an instance that ends before (a second
    // one, refused) has only design values, which must not replace the file.
    bool m_settingsLoaded = false;
    bool m_savingForExit = false; // the user's Exit: a failure is told in a box that waits
    bool m_savedForExit = false;  // saved by Exit itself: the close does not write again
    // Told before the window took its place on screen: a box shown then would
    // end up behind the window, unseen. Shown once it has.
    std::optional<QStringList> m_toldBeforeShown = QStringList();
    SecondPoll m_clockPoll; // the clock's ticks, on the wall clock's seconds
};

} // namespace zelkor
