#include "actions/FrmRemind.h"

#include "actions/BeepLoop.h"
#include "common/Placement.h"
#include "shell/AppIcons.h"

#include <QEventLoop>
#include <QGridLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace zelkor {

FrmRemind::FrmRemind(Platform& platform, AppState& state, QWidget* parent)
    : QDialog(parent), m_platform(platform), m_state(state)
{
    setObjectName(QStringLiteral("FrmRemind"));
    setWindowTitle(QStringLiteral("Message"));
    setWindowIcon(appIcon());
    auto* grid = new QGridLayout(this);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(appIcon().pixmap(32, 32));
    Image1->setFixedSize(32, 32);
    Label1 = new QLabel(QStringLiteral("Hurry, time is up!"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = Label1->font();
    bold.setBold(true);
    bold.setPointSizeF(9.75);
    Label1->setFont(bold);
    Label1->setMinimumSize(240, 80);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    grid->addWidget(Image1, 0, 0, Qt::AlignTop);
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(Command1, 1, 0, 1, 2, Qt::AlignHCenter);
    connect(Command1, &QPushButton::clicked, this, &FrmRemind::Command1_Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &FrmRemind::Timer1_Timer);
    m_beeps = new BeepLoop(m_platform, [this] { return remindClosed; }, this);
}

FrmRemind::~FrmRemind()
{
    // The beeping never outlives the window, not even the tail of a burst after OK.
    m_beeps->stopNow();
}

void FrmRemind::present()
{
    if (isVisible()) {
        bringToTop();
        return;
    }
    Form_Load(false);
    show();
    bringToTop();
}

void FrmRemind::presentModal()
{
    if (isVisible()) {
        bringToTop();
    } else {
        Form_Load(true);
        show();
    }
    // A local loop rather than exec(): it also serves a caller that arrives
    // while the window is already open, and returns if the window is destroyed.
    QEventLoop loop;
    connect(this, &FrmRemind::closed, &loop, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::DialogExec);
}

bool FrmRemind::isBeeping() const { return m_beeps->isRunning(); }

void FrmRemind::Form_Load(bool modal)
{
    // A burst still finishing after an earlier OK gives way to the new reminder.
    m_beeps->stopNow();
    // Flags and modality are set only while hidden: changing them on a shown
    // window hides it, and a hide is a close here.
    setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
    setWindowFlag(Qt::WindowStaysOnTopHint, !modal);
    remindClosed = false;
    Label1->setText(m_state.remindText);
    adjustSize();
    move(goldenPlacement(m_platform.screenGeometry(), frameGeometry().size()));
    Timer1->start();
}

void FrmRemind::bringToTop()
{
    raise();
    activateWindow();
}

void FrmRemind::Timer1_Timer()
{
    Timer1->stop(); // once per load
    m_beeps->start();
}

void FrmRemind::Command1_Click()
{
    remindClosed = true;
    close();
}

void FrmRemind::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    // A minimized window is still open and keeps beeping; every other way out
    // (OK, the title bar, Escape, the end of the program) is a close.
    if (event->spontaneous() || isVisible())
        return;
    Timer1->stop();
    // Only OK lets the burst in progress be heard to its end.
    if (!remindClosed)
        m_beeps->stopNow();
    emit closed();
}

} // namespace zelkor
