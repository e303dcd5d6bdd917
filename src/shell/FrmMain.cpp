#include "shell/FrmMain.h"

#include "actions/ActionExecutor.h"
#include "actions/FrmRemind.h"
#include "common/ActionKind.h"
#include "common/Placement.h"
#include "countdown/ModTimer.h"
#include "countdown/PowerOnCycle.h"
#include "countdown/TimerTab.h"
#include "scheduler/PeriodGuard.h"
#include "scheduler/TaskScheduler.h"
#include "platform/WakeTimer.h"
#include "platform/GlobalHotKey.h"
#include "shell/AppIcons.h"
#include "shell/AutostartSwitch.h"
#include "shell/ClockText.h"
#include "shell/MessageBox.h"
#include "shell/OptionsPage.h"
#include "tasks/TasksPage.h"
#include "shell/SettingsKeeper.h"
#include "shell/ShellVisibility.h"
#include "shell/SuspendFilter.h"
#include "shell/TrayIcon.h"
#include "shell/TrayMenu.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace zelkor {

namespace {
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

FrmMain::FrmMain(Platform& platform, AppState& state, QWidget* parent)
    : QMainWindow(parent), m_platform(platform), m_state(state)
{
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(kAppTitle);
    setWindowIcon(appIcon());

    m_actions = new ActionExecutor(m_platform, m_state, this);
    m_actions->setReminderPresenter([this] { reminder()->present(); });
    connect(m_actions, &ActionExecutor::problem, this,
            [this](const QString& message) { MessageBox::notify(this, message); });

    m_modTimer = new ModTimer(m_platform.wakeTimer(), m_state, this);
    m_powerOn = new PowerOnCycle(m_platform, m_state, *m_actions, *m_modTimer, this);
    m_powerOn->setListRefresher([this] { MSFlexGrid1disp(); });
    // Modal: the next power-on is armed once the message is closed.
    m_powerOn->setMessagePresenter([this] { reminder()->presentModal(); });
    connect(m_powerOn, &PowerOnCycle::problem, this,
            [this](const QString& message) { MessageBox::notify(this, message); });

    buildToolbar();

    auto* central = new QWidget(this);
    SSTab1 = new QTabWidget(central);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    m_timerTab = new TimerTab(m_platform, *m_actions, *m_modTimer, SSTab1);
    SSTab1->addTab(m_timerTab, QStringLiteral("Timer"));
    m_tasksPage = new TasksPage(m_platform, m_state, SSTab1);
    SSTab1->addTab(m_tasksPage, QStringLiteral("Scheduled Tasks"));
    connect(m_tasksPage, &TasksPage::taskChanged, this, &FrmMain::refreshAfterTaskChange);
    m_options = new OptionsPage(SSTab1);
    SSTab1->addTab(m_options, QStringLiteral("Options"));
    connect(m_options, &OptionsPage::linkClicked, this,
            [this](const QString& target) { m_platform.shellOpen(target); });

    // Never seen by the user: the switch of the suspend filter, and a focus
    // sink that keeps the action list from holding the keyboard focus.
    chkWakeOn = new QCheckBox(QStringLiteral("Autometically Wake At: "), central);
    chkWakeOn->setObjectName(QStringLiteral("chkWakeOn"));
    chkWakeOn->setChecked(true);
    CmdTest = new QPushButton(QStringLiteral("Test"), central);
    CmdTest->setObjectName(QStringLiteral("CmdTest"));
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(SSTab1);
    chkWakeOn->move(0, 5000); // outside the visible area, like the focus sink
    CmdTest->move(0, 5000);
    m_timerTab->setFocusSink(CmdTest);
    setCentralWidget(central);
    resize(600, 420); // room for the task list's columns in common desktop fonts

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(2);
    connect(Timer1, &QTimer::timeout, Timer1, &QTimer::stop);
    m_modTimer->setNudge(Timer1); // started before every wake wait
    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(1000);
    connect(Timer3, &QTimer::timeout, this, &FrmMain::Timer3_Timer);

    // The box is read at the moment a task or the period acts.
    const auto forced = [this] { return m_timerTab->forced(); };
    m_scheduler = new TaskScheduler(m_platform, m_state, *m_actions, this);
    m_scheduler->setForcedSource(forced);
    TimEvery = m_scheduler->TimEvery();
    m_periodGuard = new PeriodGuard(m_platform, m_state, *m_actions, this);
    m_periodGuard->setForcedSource(forced);
    TimNot = m_periodGuard->TimNot();
    buildShell();
}

FrmMain::~FrmMain()
{
    // The reminder has no parent (it must stay on top of other programs, not
    // of us); destroying it here ends any beeping with the program.
    delete m_reminder;
}

void FrmMain::buildShell()
{
    m_trayMenu = new TrayMenu(this);
    m_tray = new TrayIcon(m_trayMenu, windowIcon(), this);
    m_visibility = new ShellVisibility(*this, m_state, *m_trayMenu, *m_tray,
                                       [this] { return m_trayIconShown; }, this);
    connect(m_tray, &TrayIcon::clicked, m_visibility, &ShellVisibility::TrayClick);
    connect(m_tray, &TrayIcon::shownInHostChanged, this, [this](bool shown) {
        setTrayIconShown(shown);
        // A tray that went away must not keep the window out of reach.
        if (!shown && !m_state.HiddenMode && !isVisible() && !m_state.ExitRequested)
            showMinimized();
    });
    connect(this, &FrmMain::shownStateChanged, m_trayMenu->M_show, &QAction::setChecked);
    connect(m_trayMenu->M_show, &QAction::triggered, m_visibility, &ShellVisibility::M_show_Click);
    connect(m_trayMenu->M_hide, &QAction::triggered, m_visibility, &ShellVisibility::M_hide_Click);
    connect(m_trayMenu, &TrayMenu::quickLaunch, this,
            [this](int code) { m_actions->PerformAction(code, m_timerTab->forced()); });
    connect(m_trayMenu->M_tuichu, &QAction::triggered, this, &FrmMain::Exit);

    m_hotKey = createGlobalHotKey();
    connect(m_hotKey.get(), &GlobalHotKey::activated, m_visibility, &ShellVisibility::HotKeyProc);

    m_suspendFilter = std::make_unique<SuspendFilter>(m_platform, m_state);
    connect(chkWakeOn, &QCheckBox::toggled, this, [this](bool on) { m_suspendFilter->setWakeOn(on); });
    connect(m_actions, &ActionExecutor::aboutToHibernate, this,
            [this] { m_suspendFilter->beforeOwnHibernation(); });

    m_settings = new SettingsKeeper(settings::filePath(m_state.programDir), *m_timerTab, *m_options, this);
    m_autostart = new AutostartSwitch(QApplication::applicationFilePath(), *m_options->ChkRun,
                                      *m_trayMenu->M_run, this);
    connect(m_autostart, &AutostartSwitch::problem, this,
            [this](const QString& message) { MessageBox::notify(this, message); });
}

void FrmMain::buildToolbar()
{
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Toolbar1->setIconSize(QSize(24, 24));
    for (const ToolButton& button : kToolButtons) {
        const QString key = QLatin1String(button.key);
        const QIcon icon = button.code ? actionIcon(button.code)
                                       : style()->standardIcon(QStyle::SP_DialogHelpButton);
        QAction* action = Toolbar1->addAction(icon, QLatin1String(button.caption));
        action->setObjectName(key);
        action->setData(key);
        connect(action, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
    }
}

FrmRemind* FrmMain::reminder()
{
    if (!m_reminder)
        m_reminder = new FrmRemind(m_platform, m_state, nullptr);
    return m_reminder;
}

bool FrmMain::Form_Load()
{
    move(goldenPlacement(m_platform.screenGeometry(), frameGeometry().size()));
    if (m_state.ExitRequested) {
        QApplication::closeAllWindows();
        return false;
    }
    m_state.ExitRequested = false;
    m_state.CancelWakeWait = false;
    if (!m_platform.claimSingleInstance()) {
        MessageBox::information(nullptr, QStringLiteral("This program has already running."));
        m_state.ExitRequested = true;
        return false;
    }
    InitMainWindow();
    m_tasksPage->connectDatabase(taskDatabasePath(m_state.programDir));
    MSFlexGrid1disp();
    m_powerOn->start(); // the power-on cycle
    notAllow();
    otherTask();
    Timer3->start();
    if (!m_state.HiddenMode && !isMinimized()) // not put in the tray at start
        show();
    return true;
}

void FrmMain::InitMainWindow()
{
    // Each step stands alone: one that cannot be done is skipped.
    // 1. The hot key; without it the program runs on.
    m_hotKey->registerKey();
    Timer3_Timer();
    m_timerTab->setDateTimePickers(m_platform.now());
    for (int code = 1; code <= actionNames().size(); ++code)
        m_timerTab->ImageCombo1->addItem(actionIcon(code), actionName(code));
    m_timerTab->ImageCombo1->setCurrentIndex(0);
    SSTab1->setCurrentIndex(0);
    // 6. Foreign suspend requests are refused from here on.
    m_suspendFilter->install(chkWakeOn->isChecked());
    // 7. What the last run saved.
    m_settings->LoadSettings();
    // 8. Hidden, in the tray, or shown.
    if (m_options->Check2->isChecked()) {
        m_visibility->enterHiddenMode();
    } else {
        m_tray->AddTrayIcon();
        m_tray->SetTrayTip(kAppTitle);
        if (m_options->Check1->isChecked())
            m_visibility->hideToTray();
    }
    // 9. Whether the autostart entry starts this program.
    m_autostart->startupCheck();
}

void FrmMain::Timer3_Timer()
{
    m_timerTab->setClock(clockText(m_platform.now()), uptimeText(m_platform.tickCount()));
}

void FrmMain::Toolbar1_ButtonClick(const QString& key)
{
    m_actions->EnableShutdownPrivilege();
    const bool forced = m_timerTab->forced();
    for (const ToolButton& button : kToolButtons) {
        if (key != QLatin1String(button.key)) // exact, case-sensitive
            continue;
        if (button.code)
            m_actions->PerformAction(button.code, forced);
        else
            openHelp();
        return;
    }
}

void FrmMain::openHelp()
{
    const QString page = m_state.programDir + QStringLiteral("/zelkor.html");
    const Outcome outcome = m_platform.shellOpen(page);
    if (!outcome.ok)
        MessageBox::notify(this, QStringLiteral("The help page %1 could not be opened.").arg(page));
}

void FrmMain::refreshAfterTaskChange()
{
    MSFlexGrid1disp();
    notAllow();
    otherTask();
    m_state.CancelWakeWait = true;
    m_powerOn->start();
}

void FrmMain::MSFlexGrid1disp() { m_tasksPage->MSFlexGrid1disp(); }
void FrmMain::notAllow() { m_periodGuard->notAllow(); }
void FrmMain::otherTask() { m_scheduler->otherTask(); }
void FrmMain::TimEvery_Timer() { m_scheduler->TimEvery_Timer(); }
void FrmMain::TimNot_Timer() { m_periodGuard->TimNot_Timer(); }

void FrmMain::SaveSettings() { m_settings->SaveSettings(); }

void FrmMain::closeEvent(QCloseEvent* event)
{
    if (m_state.ExitRequested) {
        SaveSettings();
        event->accept();
        return;
    }
    event->ignore();
    emit shownStateChanged(false);
    m_visibility->hideToTray();
}

void FrmMain::Exit()
{
    m_state.CancelWakeWait = true;
    m_state.ExitRequested = true;
    // Suspend requests are no longer refused; the icon goes and the key is
    // free for other programs.
    m_suspendFilter->remove();
    m_tray->RemoveTrayIcon();
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

void FrmMain::sessionEnding()
{
    if (m_state.ExitRequested)
        return;
    Exit();
}

} // namespace zelkor
