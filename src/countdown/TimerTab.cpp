#include "countdown/TimerTab.h"

#include "actions/ActionExecutor.h"
#include "common/ActionKind.h"
#include "common/DateText.h"
#include "common/DayNumber.h"
#include "countdown/ModTimer.h"
#include "shell/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cmath>

namespace zelkor {

namespace {
const QString kStart = QStringLiteral("Start");
} // namespace

TimerTab::TimerTab(Platform& platform, ActionExecutor& actions, ModTimer& modTimer, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_actions(actions), m_modTimer(modTimer)
{
    build();
    Option1[countdown::After]->setChecked(true);
    disablePickers();
    enablePickers(m_timerMode);
}

TimerTabState TimerTab::timerState() const
{
    TimerTabState state;
    for (size_t i = 0; i < Option1.size(); ++i)
        state.modes[i] = Option1[i]->isChecked();
    const std::array<QDateTimeEdit*, 5> kept = keptPickers();
    for (size_t i = 0; i < kept.size(); ++i)
        state.pickers[i] = kept[i]->dateTime();
    state.force = ChkForce->isChecked();
    if (ImageCombo1->currentIndex() >= 0)
        state.action = ImageCombo1->currentIndex() + 1;
    return state;
}

void TimerTab::applyTimerState(const TimerTabState& state)
{
    const std::array<QDateTimeEdit*, 5> kept = keptPickers();
    for (size_t i = 0; i < kept.size(); ++i)
        if (state.pickers[i] && state.pickers[i]->isValid())
            kept[i]->setDateTime(*state.pickers[i]);
    if (const std::optional<int> mode = selectedMode(state)) {
        Option1[size_t(*mode)]->setChecked(true);
        Option1_Click(*mode);
    }
    if (state.force)
        ChkForce->setChecked(*state.force);
    if (state.action && *state.action >= 1 && *state.action <= ImageCombo1->count())
        ImageCombo1->setCurrentIndex(*state.action - 1);
}

std::array<QDateTimeEdit*, 5> TimerTab::keptPickers() const
{
    return {DTPicker1, DTPicker4, DTPicker5, DTPicker6, DTPicker7};
}

bool TimerTab::forced() const { return ChkForce->isChecked(); }

void TimerTab::setClock(const QString& clock, const QString& uptime)
{
    Label2->setText(clock);
    Label4->setText(uptime);
}

void TimerTab::setDateTimePickers(const QDateTime& now)
{
    DTPicker2->setDate(now.date());
    DTPicker3->setTime(now.time());
}

bool TimerTab::isCounting() const { return CmdStart->text() != kStart; }

countdown::PickerValues TimerTab::pickerValues() const
{
    countdown::PickerValues v;
    v.afterHours = DTPicker1->time().hour();
    v.afterMinutes = DTPicker4->time().minute();
    v.atDate = DTPicker2->date();
    v.atTime = DTPicker3->time();
    v.runHours = DTPicker5->time().hour();
    v.runMinutes = DTPicker6->time().minute();
    v.quietMinutes = DTPicker7->time().minute();
    return v;
}

QList<QDateTimeEdit*> TimerTab::pickersOf(int mode) const
{
    switch (mode) {
    case countdown::After:
        return {DTPicker1, DTPicker4};
    case countdown::At:
        return {DTPicker2, DTPicker3};
    case countdown::Uptime:
        return {DTPicker5, DTPicker6};
    case countdown::Quiet:
        return {DTPicker7};
    default:
        return {};
    }
}

void TimerTab::Option1_Click(int index)
{
    m_timerMode = index;
    disablePickers();
    enablePickers(index);
    CmdStart->setFocus();
}

void TimerTab::disablePickers()
{
    for (QDateTimeEdit* picker :
         {DTPicker1, DTPicker2, DTPicker3, DTPicker4, DTPicker5, DTPicker6, DTPicker7})
        picker->setEnabled(false);
}

void TimerTab::enablePickers(int mode)
{
    for (QDateTimeEdit* picker : pickersOf(mode))
        picker->setEnabled(true);
}

void TimerTab::ImageCombo1_Click()
{
    if (m_focusSink)
        m_focusSink->setFocus();
}

void TimerTab::CmdOpen_Click()
{
    const QString file =
        QFileDialog::getOpenFileName(this, QString(), QString(), QStringLiteral("All files (*)"));
    // A cancelled dialog keeps what was there.
    if (!file.isEmpty())
        TxtDir->setText(file);
}

void TimerTab::repaintActions(bool enabled)
{
    ImageCombo1->setEnabled(enabled);
    ImageCombo1->hide();
    ImageCombo1->show();
}

void TimerTab::setBar(double width)
{
    m_barWidth = width;
    ImgBar->setValue(int(std::lround(qBound(0.0, width, countdown::kBarWidth))));
}

void TimerTab::CmdStart_Click()
{
    if (isCounting()) {
        Stop();
        return;
    }
    const qint64 seconds = countdown::countSeconds(m_timerMode, pickerValues(), m_platform.now(),
                                                   m_platform.tickCount());
    m_remainSeconds = seconds;
    m_totalSeconds = seconds;
    setBar(0.0);
    if (seconds <= 0) {
        MessageBox::information(this, QStringLiteral("Invalid date/time"));
        return;
    }
    if (ImageCombo1->currentIndex() + 1 == int(ActionKind::PowerOn))
        powerOn(seconds);
    else
        startCountdown(seconds);
}

void TimerTab::powerOn(qint64 seconds)
{
    // A date and time is a moment on the wall clock; the other modes count
    // real time.
    const QDateTime now = m_platform.now();
    const QDateTime at =
        now.addSecs(m_timerMode == countdown::At ? daynum::realSecondsUntil(now, seconds) : seconds);
    const WakeTimer& timer = m_modTimer.timer();
    MessageBox::information(this,
                            countdown::powerOnAnnouncement(at, timer.canWake(), timer.whyNoWake()));
    // The announced moment holds, however long the announcement was read.
    const qint64 left = (m_platform.now().msecsTo(at) + 999) / 1000;
    const WaitEnd end = m_modTimer.waitForWake(qMax<qint64>(left, 0));
    if (end == WaitEnd::Failed) {
        MessageBox::notify(this, QStringLiteral("The wake-up at %1 could not be set: %2")
                                     .arg(datetext::general(at), m_modTimer.lastError()));
        return;
    }
    if (end != WaitEnd::Fired)
        return;
    const QString target = TxtDir->text().trimmed();
    if (!target.isEmpty())
        m_actions.ShellOpen(target);
}

void TimerTab::startCountdown(qint64 seconds)
{
    // Counting regardless of input would act while the user is at work.
    if (m_timerMode == countdown::Quiet && !m_platform.lastInputTick()) {
        MessageBox::information(
            this, QStringLiteral("The countdown without keyboard and mouse input cannot "
                                 "start: %1")
                      .arg(m_platform.idleUnavailableReason()));
        return;
    }
    CmdStart->setText(QStringLiteral("Stop"));
    disablePickers();
    for (QRadioButton* option : Option1)
        option->setEnabled(false);
    repaintActions(false);
    TimerRemain->start();
    LabRemain->setText(countdown::remainingText(seconds));
    m_lastInputSeen = m_lastInput;
    m_idleStartTick = m_platform.tickCount();
}

void TimerTab::Stop()
{
    CmdStart->setText(kStart);
    for (QRadioButton* option : Option1)
        option->setEnabled(true);
    Option1[size_t(m_timerMode)]->setChecked(true);
    enablePickers(m_timerMode);
    repaintActions(true);
    TimerRemain->stop();
    LabRemain->setText(QStringLiteral("Timer disabled"));
    setBar(0.0);
}

void TimerTab::TimerRemain_Timer()
{
    if (Option1[countdown::Quiet]->isChecked()) {
        const std::optional<quint32> input = m_platform.lastInputTick();
        if (!input) {
            Stop();
            MessageBox::notify(this, QStringLiteral("The countdown stopped: %1")
                                         .arg(m_platform.idleUnavailableReason()));
            return;
        }
        m_lastInput = *input;
        if (m_lastInput != m_lastInputSeen) {
            // Input restarts the quiet stretch from this tick.
            m_lastInputSeen = m_lastInput;
            m_idleStartTick = m_platform.tickCount();
        } else {
            const qint64 elapsed =
                countdown::elapsedSeconds(m_platform.tickCount(), m_idleStartTick);
            m_remainSeconds = m_totalSeconds - elapsed;
            LabRemain->setText(countdown::remainingText(m_remainSeconds));
            setBar(countdown::quietBar(m_totalSeconds, elapsed));
        }
    } else {
        setBar(countdown::barAfterTick(float(m_barWidth), m_totalSeconds));
        --m_remainSeconds;
        LabRemain->setText(countdown::remainingText(m_remainSeconds));
    }
    if (m_remainSeconds <= 0)
        finish();
}

void TimerTab::finish()
{
    TimerRemain->stop();
    Stop(); // idle again before the action starts
    const int kind = ImageCombo1->currentIndex() + 1;
    QString text;
    if (kind == int(ActionKind::EventsRemind))
        text = QStringLiteral("Hurry, time is up!");
    else if (kind == int(ActionKind::OpenTarget))
        text = TxtDir->text();
    m_actions.PerformAction(kind, forced(), text);
}

} // namespace zelkor
