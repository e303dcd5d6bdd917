#include "shell/MainWindow.h"

#include "actions/ActionExecutor.h"
#include "actions/ReminderWindow.h"
#include "common/ActionKind.h"
#include "common/Placement.h"
#include "countdown/PowerOnCycle.h"
#include "countdown/TimerTab.h"
#include "countdown/WakeWaits.h"
#include "guard/SafetyKeeper.h"
#include "platform/GlobalHotKey.h"
#include "platform/WakeTimer.h"
#include "scheduler/PeriodGuard.h"
#include "scheduler/TaskScheduler.h"
#include "shell/AppIcons.h"
#include "shell/AutostartSwitch.h"
#include "shell/ClockText.h"
#include "shell/MessageBox.h"
#include "shell/OptionsPage.h"
#include "shell/SettingsKeeper.h"
#include "shell/ShellVisibility.h"
#include "shell/SuspendFilter.h"
#include "shell/TrayIcon.h"
#include "shell/TrayMenu.h"
#include "tasks/TaskDatabaseState.h"
#include "tasks/TasksPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDebug>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <utility>

namespace zelkor
{

namespace
{
// How long a window shown first waits for its first paint before the rest of
// the start-up sequence runs anyway.
constexpr int kStartLaterMs = 250;

// The toolbar's buttons: an action code to perform, or 0 for the help page.
struct ToolButton {
    const char* key = nullptr;
    const char* caption = nullptr;
    int code = 0;
};
constexpr ToolButton kToolButtons[] = {
    {"T_shut", "Shut Down", int(ActionKind::ShutDown)},
    {"T_restart", "Restart", int(ActionKind::Restart)},
    {"T_logoff", "Log Off", int(ActionKind::LogOff)},
    {"T_standby", "Stand By", int(ActionKind::StandBy)},
    {"T_hibernate", "Hibernate", int(ActionKind::Hibernate)},
    {"T_lock", "Lock", int(ActionKind::Lock)},
    {"T_help", "Help", 0},
};
} // namespace

MainWindow::MainWindow(Platform& platform, AppState& state, QWidget* parent)
    : QMainWindow(parent), m_platform(platform), m_state(state), m_clockPoll(QStringLiteral("Timer3"), this)
{
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(kAppTitle);
    setWindowIcon(appIcon());

    // First: every reader of the task database is handed its state.
    m_databaseState = new TaskDatabaseState(this);
    m_state.databaseState = m_databaseState;
    connect(m_databaseState, &TaskDatabaseState::problem, this,
            [this](const QString& message) { MessageBox::notify(this, message); });
    // A file that could not be used and now can: its tasks load as after a change.
    connect(m_databaseState, &TaskDatabaseState::becameReadable, this,
            &MainWindow::refreshAfterTaskChange);

    m_actions = new ActionExecutor(m_platform, m_state, this);
    m_actions->setReminderPresenter([this] { reminder()->present(); });
    connect(m_actions, &ActionExecutor::problem, this, &MainWindow::tell);

    m_wakeWaits = new WakeWaits(m_platform, this);
    m_powerOn = new PowerOnCycle(m_platform, m_state, *m_actions, *m_wakeWaits, this);
    m_powerOn->setListRefresher([this] { refreshTaskList(); });
    // Modal: the next power-on is armed once the message is closed.
    m_powerOn->setMessagePresenter([this] { reminder()->presentModal(); });
    connect(m_powerOn, &PowerOnCycle::problem, this, &MainWindow::tell);

    buildToolbar();

    auto* central = new QWidget(this);
    m_tabs = new QTabWidget(central);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_timerTab = new TimerTab(m_platform, *m_actions, *m_wakeWaits, m_tabs);
    m_tabs->addTab(m_timerTab, QStringLiteral("Timer"));
    m_tasksPage = new TasksPage(m_platform, m_state, m_tabs);
    m_tabs->addTab(m_tasksPage, QStringLiteral("Scheduled Tasks"));
    connect(m_tasksPage, &TasksPage::taskChanged, this, &MainWindow::refreshAfterTaskChange);
    m_options = new OptionsPage(m_tabs);
    m_options->showPaths(m_state.paths);
    // Scrolled, so that the options never make the window taller than it was made.
    auto* optionsScroll = new QScrollArea(m_tabs);
    optionsScroll->setFocusPolicy(Qt::NoFocus); // its controls take the Tab, not the scroller itself
    optionsScroll->setFrameShape(QFrame::NoFrame);
    optionsScroll->setWidgetResizable(true);
    optionsScroll->setWidget(m_options);
    m_tabs->addTab(optionsScroll, QStringLiteral("Options"));
    // The focus that comes in by Tab from outside is scrolled to, as within.
    connect(qApp, &QApplication::focusChanged, optionsScroll, [optionsScroll](QWidget*, QWidget* now) {
        if (now && optionsScroll->widget()->isAncestorOf(now))
            optionsScroll->ensureWidgetVisible(now);
    });
    connect(m_options, &OptionsPage::linkClicked, m_actions, &ActionExecutor::shellOpen);

    // Never seen by the user: the switch of the suspend filter, and a focus
    // sink that keeps the action list from holding the keyboard focus.
    m_wakeOnCheck = new QCheckBox(QStringLiteral("Autometically Wake At: "), central);
    m_wakeOnCheck->setObjectName(QStringLiteral("chkWakeOn"));
    m_wakeOnCheck->setChecked(true);
    m_hiddenTestButton = new QPushButton(QStringLiteral("Test"), central);
    m_hiddenTestButton->setObjectName(QStringLiteral("CmdTest"));
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(m_tabs);
    // Hidden, the switch is out of the Tab order and of what screen readers
    // list. The sink must take the focus it is given, so it only lies out of
    // sight, out of the Tab order: a Space typed there would press what
    // nobody can see.
    m_wakeOnCheck->hide();
    m_hiddenTestButton->move(0, 5000);
    m_hiddenTestButton->setFocusPolicy(Qt::NoFocus);
    m_timerTab->setFocusSink(m_hiddenTestButton);
    setCentralWidget(central);
    resize(600, 420); // room for the task list's columns in common desktop fonts

    m_clockTimer = m_clockPoll.timer();
    connect(m_clockTimer, &QTimer::timeout, this, &MainWindow::updateClock);

    // The box is read at the moment a task or the period acts.
    const auto forced = [this] { return m_timerTab->forced(); };
    m_scheduler = new TaskScheduler(m_platform, m_state, *m_actions, this);
    m_scheduler->setForcedSource(forced);
    m_taskPollTimer = m_scheduler->pollTimer();
    // The power-on wait counts real seconds from the old time: search again.
    connect(m_scheduler, &TaskScheduler::zoneShifted, m_powerOn, &PowerOnCycle::followZoneShift);
    connect(m_scheduler, &TaskScheduler::clockStepped, m_powerOn, &PowerOnCycle::start);
    connect(m_scheduler, &TaskScheduler::clockStepped, m_timerTab, &TimerTab::followClockStep);
    m_periodGuard = new PeriodGuard(m_platform, m_state, *m_actions, this);
    m_periodGuard->setForcedSource(forced);
    m_periodTimer = m_periodGuard->checkTimer();
    // The clock's tick looks at the clock while the window shows; at rest the
    // system tells when it was set, so nothing ticks for it.
    m_platform.watchClockSet([this] {
        m_scheduler->onClockSet();
        m_periodGuard->aimAnew();
    });
    buildShell();
    buildSafety();
}

MainWindow::~MainWindow()
{
    if (m_state.databaseState == m_databaseState)
        m_state.databaseState = nullptr;
    // The reminder has no parent (it must stay on top of other programs, not
    // of us); destroying it here ends any beeping with the program.
    delete m_reminder;
}

void MainWindow::buildShell()
{
    m_trayMenu = new TrayMenu(this);
    m_tray = new TrayIcon(m_trayMenu, windowIcon(), this);
    m_visibility = new ShellVisibility(
        *this, m_state, *m_trayMenu, *m_tray, [this] { return m_trayIconShown; }, this);
    connect(m_tray, &TrayIcon::clicked, m_visibility, &ShellVisibility::onTrayClicked);
    connect(m_tray, &TrayIcon::shownInHostChanged, this, [this](bool shown) {
        setTrayIconShown(shown);
        // A tray that went away must not keep the window out of reach.
        if (!shown && !m_state.hiddenMode && !isVisible() && !m_state.exitRequested)
            showMinimized();
    });
    connect(this, &MainWindow::shownStateChanged, m_trayMenu->m_showAction, &QAction::setChecked);
    connect(m_trayMenu->m_showAction, &QAction::triggered, m_visibility,
            &ShellVisibility::onShowHideToggled);
    connect(m_trayMenu->m_hideAction, &QAction::triggered, m_visibility,
            &ShellVisibility::onHideChosen);
    connect(m_trayMenu->m_hideAction, &QAction::triggered, this, &MainWindow::tellWayBackFromHiding);
    connect(m_trayMenu, &TrayMenu::quickLaunch, this,
            [this](int code) { m_actions->performRequested(code, m_timerTab->forced()); });
    connect(m_trayMenu->m_exitAction, &QAction::triggered, this, &MainWindow::exitProgram);

    m_hotKey = createGlobalHotKey();
    connect(m_hotKey.get(), &GlobalHotKey::activated, m_visibility, &ShellVisibility::onHotKey);
    connect(m_options->m_startHiddenCheck, &QCheckBox::clicked, this, [this](bool on) {
        if (on)
            tellWayBackFromHiding();
    });

    m_suspendFilter = std::make_unique<SuspendFilter>(m_platform, m_state);
    connect(m_wakeOnCheck, &QCheckBox::toggled, this,
            [this](bool on) { m_suspendFilter->setWakeOn(on); });
    connect(m_actions, &ActionExecutor::ownHibernation, this,
            [this] { m_suspendFilter->followOwnHibernation(); });

    m_settings = new SettingsKeeper(m_state.paths.settingsPath, *m_timerTab, *m_options, this);
    connect(m_settings, &SettingsKeeper::problem, this, &MainWindow::tell);
    m_autostart = new AutostartSwitch(m_state.paths.startCommand, *m_options->m_runAtStartupCheck,
                                      *m_trayMenu->m_runAtStartupAction, this);
    connect(m_autostart, &AutostartSwitch::problem, this, &MainWindow::tell);
}

void MainWindow::buildToolbar()
{
    m_toolbar = addToolBar(QStringLiteral("Toolbar1"));
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setMovable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(24, 24));
    for (const ToolButton& button : kToolButtons) {
        const QString key = QLatin1String(button.key);
        const QIcon icon = button.code ? actionIcon(button.code) : pictureIcon(Picture::Help);
        QAction* action = m_toolbar->addAction(icon, QLatin1String(button.caption));
        action->setObjectName(key);
        action->setData(key);
        if (!button.code)
            action->setShortcut(QKeySequence::HelpContents);
        connect(action, &QAction::triggered, this, [this, key] { onToolbarButton(key); });
        // The power actions live only here: reached by Tab too, not by the mouse alone.
        m_toolbar->widgetForAction(action)->setFocusPolicy(Qt::TabFocus);
    }
}

ReminderWindow* MainWindow::reminder()
{
    if (!m_reminder)
        m_reminder = new ReminderWindow(m_platform, m_state, nullptr);
    return m_reminder;
}

bool MainWindow::startUp(StartOrder order)
{
    // No larger than a small or scaled screen (down to the window's least
    // size), so that no button starts out beyond its edge.
    resize(size().boundedTo(m_platform.screenGeometry().size()));
    move(goldenPlacement(m_platform.screenGeometry(), frameGeometry().size()));
    if (m_state.exitRequested) {
        QApplication::closeAllWindows();
        return false;
    }
    m_state.exitRequested = false;
    if (!m_platform.claimSingleInstance(m_state.paths.lockPath)) {
        // Started for a command, it came second in a race with a start: the
        // command goes to the first, and nobody asked for this one.
        if (!m_state.startedForCommand)
            MessageBox::information(nullptr, QStringLiteral("This program has already running."));
        m_state.exitRequested = true;
        return false;
    }
    prepareWindow();
    const bool shownAtStart = !m_state.hiddenMode && !isMinimized() &&
                              !m_options->m_startHiddenCheck->isChecked() &&
                              !m_options->m_startInTrayCheck->isChecked();
    m_startPending = true;
    if (order == StartOrder::WindowFirst && shownAtStart) {
        // Nothing in the rest changes what the window first shows: it appears
        // now, and the rest follows its first paint, or comes a moment later
        // should the window not be painted at all (covered, say).
        show();
        QTimer::singleShot(kStartLaterMs, this, &MainWindow::finishStartUp);
        return true;
    }
    finishStartUp();
    if (!m_state.hiddenMode && !isMinimized()) // not put in the tray at start
        show();
    return true;
}

void MainWindow::prepareWindow()
{
    updateClock();
    m_timerTab->setDateTimePickers(m_platform.now());
    for (int code = 1; code <= actionNames().size(); ++code)
        m_timerTab->m_actionCombo->addItem(actionIcon(code), actionName(code));
    m_timerTab->m_actionCombo->setCurrentIndex(0);
    m_tabs->setCurrentIndex(0);
    // What the last run saved.
    m_settings->loadSettings();
    m_settingsLoaded = true;
    m_safety->load();
    // Every widget asks to be polished once the event loop runs, and push
    // buttons then ask for a new layout: after the first paint that lays out
    // and paints the whole tab area a second time. Done now, before showing.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::PolishRequest);
}

void MainWindow::finishStartUp()
{
    // Once; and not at all for a program told to end in the meantime.
    if (!std::exchange(m_startPending, false) || m_state.exitRequested)
        return;
    // Each step stands alone: one that cannot be done is skipped.
    // The hot key; without it the program runs on.
    m_hotKey->registerKey();
    // Foreign suspend requests are refused from here on.
    m_suspendFilter->install(m_wakeOnCheck->isChecked());
    // Hidden, in the tray, or shown.
    if (m_options->m_startHiddenCheck->isChecked()) {
        m_visibility->enterHiddenMode();
    } else {
        m_tray->addTrayIcon();
        m_tray->setTrayTip(kAppTitle);
        if (m_options->m_startInTrayCheck->isChecked())
            m_visibility->hideToTray();
    }
    const QStringList told = std::exchange(m_toldBeforeShown, std::nullopt).value_or(QStringList());
    for (const QString& message : told)
        MessageBox::notify(this, message);
    // Whether the autostart entry starts this program.
    m_autostart->startupCheck();
    // The task database, looked at once: what is wrong with it is told now,
    // and a lock is waited out in the background, not here.
    m_databaseState->setPath(m_state.paths.databasePath);
    m_databaseState->check();
    m_tasksPage->connectDatabase(m_state.paths.databasePath);
    refreshTaskList();
    m_powerOn->start(); // the power-on cycle
    loadForbiddenPeriod();
    selectNextTask();
    emit startedUp();
}

bool MainWindow::event(QEvent* event)
{
    const bool handled = QMainWindow::event(event);
    // Queued, so that it runs once this paint has reached the screen.
    if (event->type() == QEvent::Paint && m_startPending)
        QMetaObject::invokeMethod(this, &MainWindow::finishStartUp, Qt::QueuedConnection);
    return handled;
}

void MainWindow::updateClock()
{
    // Looked at every second while the window shows; at rest the platform
    // tells when the clock is set.
    m_scheduler->checkClock();
    const QDateTime now = m_platform.now();
    m_timerTab->setClock(clockText(now), uptimeText(m_platform.uptimeMs()));
    m_clockPoll.rearm(now);
}

void MainWindow::followVisibility()
{
    // Nobody reads a clock that is not on screen: it stops while the window
    // is hidden or minimized and catches up as soon as it shows again.
    const bool onScreen = isVisible() && !isMinimized();
    if (onScreen == m_clockPoll.isOn())
        return;
    if (onScreen) {
        updateClock();
        m_clockPoll.switchOn(m_platform.now());
    } else {
        m_clockPoll.switchOff();
    }
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    followVisibility();
}

void MainWindow::hideEvent(QHideEvent* event)
{
    QMainWindow::hideEvent(event);
    followVisibility();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        followVisibility();
}

void MainWindow::onToolbarButton(const QString& key)
{
    m_actions->enableShutdownPrivilege();
    const bool forced = m_timerTab->forced();
    for (const ToolButton& button : kToolButtons) {
        if (key != QLatin1String(button.key)) // exact, case-sensitive
            continue;
        if (button.code)
            m_actions->performRequested(button.code, forced);
        else
            openHelp();
        return;
    }
}

void MainWindow::openHelp()
{
    m_actions->shellOpen(helpPagePath(m_state.paths.programDir));
}

void MainWindow::tell(const QString& message)
{
    // Logged once for each time it is told, which the senders keep to once
    // per cause; a box during Exit would only flash.
    qWarning().noquote() << message;
    if (m_toldBeforeShown)
        m_toldBeforeShown->append(message);
    else if (m_savingForExit)
        MessageBox::failure(this, message);
    else if (!m_state.exitRequested)
        MessageBox::notify(this, message);
}

void MainWindow::refreshAfterTaskChange()
{
    refreshTaskList();
    loadForbiddenPeriod();
    selectNextTask();
    m_powerOn->start();
}

void MainWindow::refreshTaskList()
{
    m_tasksPage->refreshTaskList();
}
void MainWindow::loadForbiddenPeriod()
{
    m_periodGuard->loadForbiddenPeriod();
}
void MainWindow::selectNextTask()
{
    m_scheduler->selectNextTask();
}
void MainWindow::fireDueTask()
{
    m_scheduler->fireDueTask();
}
void MainWindow::enforceForbiddenPeriod()
{
    m_periodGuard->enforceForbiddenPeriod();
}

void MainWindow::saveSettings()
{
    m_settings->saveSettings();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_state.exitRequested) {
        if (m_settingsLoaded && !m_savedForExit)
            saveSettings();
        event->accept();
        return;
    }
    event->ignore();
    // Without a tray the window can only be minimized, and Exit is in the
    // tray's menu: closing it asks which of the two is meant.
    if (!m_trayIconShown && !m_state.hiddenMode && MessageBox::question(this, kEndWithoutTray)) {
        // After this close is over: Exit closes the window itself.
        QMetaObject::invokeMethod(this, &MainWindow::exitProgram, Qt::QueuedConnection);
        return;
    }
    emit shownStateChanged(false);
    m_visibility->hideToTray();
}

void MainWindow::tellWayBackFromHiding()
{
    // Hidden, with no key to call it back, the program would be out of reach
    // without a word.
    if (!m_hotKey->isRegistered())
        MessageBox::notify(this, kNoHotKeyWayBack, MessageBox::WhileHidden::Show);
}

void MainWindow::exitProgram()
{
    if (!m_safety->allow(this, QStringLiteral("exit Zelkor")))
        return;
    // Saved while a box can still be answered: a failure found at the close
    // itself could only be logged, and the settings would be lost unsaid.
    m_savingForExit = true;
    saveForExit();
    m_savingForExit = false;
    quitProgram();
}

Outcome MainWindow::saveForExit()
{
    m_state.exitRequested = true; // from here on nothing acts, while a box waits
    if (!m_settingsLoaded || m_savedForExit)
        return Outcome::success();
    m_savedForExit = true;
    return m_settings->saveSettings();
}

void MainWindow::quitProgram()
{
    m_powerOn->stop();
    m_state.exitRequested = true;
    // Suspend requests are no longer refused; the icon goes and the key is
    // free for other programs.
    m_suspendFilter->remove();
    m_tray->removeTrayIcon();
    m_hotKey->unregisterKey();
    if (m_reminder)
        m_reminder->close();
    // Closed by name: closing all windows passes over hidden ones, and the
    // main window is hidden whenever Exit comes from the tray or the session
    // end, yet its close must still save the settings.
    close();
    QApplication::closeAllWindows();
    QApplication::quit();
}

void MainWindow::sessionEnding()
{
    if (m_state.exitRequested)
        return;
    quitProgram(); // logging off is never held up by a password prompt
}

} // namespace zelkor
