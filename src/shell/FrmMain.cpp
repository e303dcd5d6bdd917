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
#include "shell/AppIcons.h"
#include "shell/ClockText.h"
#include "shell/MessageBox.h"
#include "shell/OptionsPage.h"
#include "tasks/TasksPage.h"

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
struct ToolButton {
    const char* key;
    const char* caption;
    QStyle::StandardPixmap fallback;
};
constexpr ToolButton kToolButtons[] = {
    {"T_shut", "Shut Down", QStyle::SP_BrowserStop},
    {"T_restart", "Restart", QStyle::SP_BrowserReload},
    {"T_logoff", "Log Off", QStyle::SP_DialogCloseButton},
    {"T_standby", "Stand By", QStyle::SP_MediaPause},
    {"T_hibernate", "Hibernate", QStyle::SP_DriveHDIcon},
    {"T_lock", "Lock", QStyle::SP_DialogNoButton},
    {"T_help", "Help", QStyle::SP_DialogHelpButton},
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
    resize(540, 400);

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
}

FrmMain::~FrmMain()
{
    // The reminder has no parent (it must stay on top of other programs, not
    // of us); destroying it here ends any beeping with the program.
    delete m_reminder;
}

void FrmMain::buildToolbar()
{
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Toolbar1->setIconSize(QSize(24, 24));
    int code = 1;
    for (const ToolButton& button : kToolButtons) {
        const QString key = QLatin1String(button.key);
        const QIcon icon = key == QLatin1String("T_help") ? style()->standardIcon(button.fallback)
                                                          : actionIcon(code++);
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
    if (!m_state.HiddenMode)
        show();
    return true;
}

void FrmMain::InitMainWindow()
{
    // Each step stands alone: one that cannot be done is skipped.
    // 1. The hot key is registered here.
    Timer3_Timer();
    m_timerTab->setDateTimePickers(m_platform.now());
    for (int code = 1; code <= actionNames().size(); ++code)
        m_timerTab->ImageCombo1->addItem(actionIcon(code), actionName(code));
    m_timerTab->ImageCombo1->setCurrentIndex(0);
    SSTab1->setCurrentIndex(0);
    // 6. The suspend filter, 7. the settings, 8. the tray or hidden mode and
    //    9. the autostart check follow here.
}

void FrmMain::Timer3_Timer()
{
    m_timerTab->setClock(clockText(m_platform.now()), uptimeText(m_platform.tickCount()));
}

void FrmMain::Toolbar1_ButtonClick(const QString& key)
{
    m_actions->EnableShutdownPrivilege();
    const bool forced = m_timerTab->forced();
    static const QStringList keys{QStringLiteral("T_shut"),    QStringLiteral("T_restart"),
                                  QStringLiteral("T_logoff"),  QStringLiteral("T_standby"),
                                  QStringLiteral("T_hibernate"), QStringLiteral("T_lock")};
    const int index = keys.indexOf(key); // exact, case-sensitive
    if (index >= 0)
        m_actions->PerformAction(index + 1, forced);
    else if (key == QLatin1String("T_help"))
        openHelp();
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

void FrmMain::SaveSettings() {}

void FrmMain::closeEvent(QCloseEvent* event)
{
    if (m_state.ExitRequested) {
        SaveSettings();
        event->accept();
        return;
    }
    event->ignore();
    emit shownStateChanged(false);
    showMinimized();
    if (m_trayIconShown)
        hide();
}

void FrmMain::Exit()
{
    m_state.CancelWakeWait = true;
    m_state.ExitRequested = true;
    // The tray icon is removed and the hot key released here.
    if (m_reminder)
        m_reminder->close();
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
