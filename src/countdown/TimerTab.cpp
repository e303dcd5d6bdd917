#include "countdown/TimerTab.h"

#include "actions/ActionExecutor.h"
#include "common/ActionKind.h"
#include "common/DateText.h"
#include "common/DayNumber.h"
#include "countdown/WakeWaits.h"
#include "guard/WarningDesk.h"
#include "scheduler/SecondPoll.h"
#include "shell/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cmath>
#include <utility>

namespace zelkor {

namespace {
const QString kStart = QStringLiteral("Start");
} // namespace

TimerTab::TimerTab(Platform& platform, ActionExecutor& actions, WakeWaits& wakeWaits,
                   QWidget* parent)
    : QWidget(parent), m_platform(platform), m_actions(actions), m_wakeWaits(wakeWaits)
{
    build();
    m_modeButtons[countdown::After]->setChecked(true);
    disablePickers();
    enablePickers(m_timerMode);
}

TimerTabState TimerTab::timerState() const
{
    TimerTabState state;
    for (size_t i = 0; i < m_modeButtons.size(); ++i)
        state.modes[i] = m_modeButtons[i]->isChecked();
    const std::array<QDateTimeEdit*, 5> kept = keptPickers();
    // What each picker shows, on the zero date: the file keeps readings, not
    // moments, which a change of time zone (or the zone's offset on a date
    // long past) would move.
    for (size_t i = 0; i < kept.size(); ++i)
        state.pickers[i] = QDateTime(daynum::kEpoch, kept[i]->time());
    state.force = m_forceCheck->isChecked();
    if (m_actionCombo->currentIndex() >= 0)
        state.action = m_actionCombo->currentIndex() + 1;
    return state;
}

void TimerTab::applyTimerState(const TimerTabState& state)
{
    const std::array<QDateTimeEdit*, 5> kept = keptPickers();
    for (size_t i = 0; i < kept.size(); ++i)
        if (state.pickers[i] && state.pickers[i]->isValid())
            kept[i]->setTime(state.pickers[i]->time());
    if (const std::optional<int> mode = selectedMode(state)) {
        m_modeButtons[size_t(*mode)]->setChecked(true);
        onModeChosen(*mode);
    }
    if (state.force)
        m_forceCheck->setChecked(*state.force);
    if (state.action && *state.action >= 1 && *state.action <= m_actionCombo->count())
        m_actionCombo->setCurrentIndex(*state.action - 1);
}

std::array<QDateTimeEdit*, 5> TimerTab::keptPickers() const
{
    return {m_afterHoursEdit, m_afterMinutesEdit, m_uptimeHoursEdit, m_uptimeMinutesEdit,
            m_idleMinutesEdit};
}

bool TimerTab::forced() const
{
    return m_forceCheck->isChecked();
}

void TimerTab::setClock(const QString& clock, const QString& uptime)
{
    m_clockLabel->showText(clock);
    m_uptimeLabel->showText(uptime);
}

void TimerTab::setDateTimePickers(const QDateTime& now)
{
    m_atDateEdit->setDate(now.date());
    m_atTimeEdit->setTime(now.time());
}

bool TimerTab::isCounting() const
{
    return m_startButton->text() != kStart;
}

countdown::PickerValues TimerTab::pickerValues() const
{
    countdown::PickerValues v;
    v.afterHours = m_afterHoursEdit->time().hour();
    v.afterMinutes = m_afterMinutesEdit->time().minute();
    v.atDate = m_atDateEdit->date();
    v.atTime = m_atTimeEdit->time();
    v.runHours = m_uptimeHoursEdit->time().hour();
    v.runMinutes = m_uptimeMinutesEdit->time().minute();
    v.quietMinutes = m_idleMinutesEdit->time().minute();
    return v;
}

QList<QDateTimeEdit*> TimerTab::pickersOf(int mode) const
{
    switch (mode) {
    case countdown::After:
        return {m_afterHoursEdit, m_afterMinutesEdit};
    case countdown::At:
        return {m_atDateEdit, m_atTimeEdit};
    case countdown::Uptime:
        return {m_uptimeHoursEdit, m_uptimeMinutesEdit};
    case countdown::Quiet:
        return {m_idleMinutesEdit};
    default:
        return {};
    }
}

void TimerTab::onModeChosen(int index)
{
    m_timerMode = index;
    disablePickers();
    enablePickers(index);
    m_startButton->setFocus();
}

void TimerTab::disablePickers()
{
    for (QDateTimeEdit* picker : {m_afterHoursEdit, m_atDateEdit, m_atTimeEdit, m_afterMinutesEdit,
                                  m_uptimeHoursEdit, m_uptimeMinutesEdit, m_idleMinutesEdit})
        picker->setEnabled(false);
}

void TimerTab::enablePickers(int mode)
{
    for (QDateTimeEdit* picker : pickersOf(mode))
        picker->setEnabled(true);
}

void TimerTab::onActionChosen()
{
    if (m_focusSink && !m_actionCombo->choseByKeys())
        m_focusSink->setFocus();
}

void TimerTab::browseForTarget()
{
    const QString file =
        QFileDialog::getOpenFileName(this, QString(), QString(), QStringLiteral("All files (*)"));
    // A cancelled dialog keeps what was there.
    if (!file.isEmpty())
        m_targetEdit->setText(file);
}

void TimerTab::repaintActions(bool enabled)
{
    m_actionCombo->setEnabled(enabled);
    m_actionCombo->hide();
    m_actionCombo->show();
}

void TimerTab::setBar(double width)
{
    m_barWidth = width;
    m_progressBar->setValue(int(std::lround(qBound(0.0, width, countdown::kBarWidth))));
}

void TimerTab::onStartStop()
{
    if (isCounting()) {
        if (m_stopGuard())
            stop();
        return;
    }
    const QDateTime now = m_platform.now();
    const qint64 seconds =
        countdown::countSeconds(m_timerMode, pickerValues(), now, m_platform.uptimeMs());
    m_remainSeconds = seconds;
    m_totalSeconds = seconds;
    setBar(0.0);
    if (seconds <= 0) {
        MessageBox::information(this, QStringLiteral("Invalid date/time"));
        return;
    }
    // Told now rather than when the count ends, hours later, with nobody there.
    if (m_actionCombo->currentIndex() + 1 == int(ActionKind::OpenTarget)) {
        if (const Outcome found = m_platform.findOpenTarget(m_targetEdit->text().trimmed());
            !found.ok) {
            MessageBox::failure(this, found.error);
            return;
        }
    }
    if (m_actionCombo->currentIndex() + 1 == int(ActionKind::PowerOn))
        powerOn(seconds);
    else
        startCountdown(seconds, now);
}

void TimerTab::startRemote(int mode, qint64 seconds, int action, bool forced, const QString& target)
{
    stopRemote();
    m_countdownForced = forced;
    m_modeButtons[size_t(mode)]->setChecked(true);
    onModeChosen(mode);
    // The pickers show the count as far as they can hold it.
    const QDateTime now = m_platform.now();
    const QTime span = QTime(0, 0).addSecs(int(qMin<qint64>(seconds, 86399)));
    switch (mode) {
    case countdown::After:
        m_afterHoursEdit->setTime(QTime(span.hour(), 0));
        m_afterMinutesEdit->setTime(QTime(0, span.minute()));
        break;
    case countdown::At:
        setDateTimePickers(now.addSecs(seconds));
        break;
    case countdown::Uptime: {
        const QTime at = QTime(0, 0).addSecs(int((m_platform.uptimeMs() / 1000 + quint64(seconds)) % 86400));
        m_uptimeHoursEdit->setTime(QTime(at.hour(), 0));
        m_uptimeMinutesEdit->setTime(QTime(0, at.minute()));
        break;
    }
    case countdown::Quiet:
        m_idleMinutesEdit->setTime(QTime(0, span.minute()));
        break;
    }
    m_actionCombo->setCurrentIndex(action - 1);
    m_targetEdit->setText(target);
    m_remainSeconds = seconds;
    m_totalSeconds = seconds;
    setBar(0.0);
    if (action == int(ActionKind::PowerOn))
        QTimer::singleShot(0, this, [this, seconds] { powerOn(seconds); });
    else
        startCountdown(seconds, now);
}

void TimerTab::stopRemote()
{
    if (isCounting())
        stop();
    for (const auto& [wait, at] : std::exchange(m_powerOnWaits, {}))
        m_wakeWaits.cancelWait(wait);
}

QDateTime TimerTab::powerOnMoment() const
{
    QDateTime earliest;
    for (const auto& [wait, at] : m_powerOnWaits) {
        if (!earliest.isValid() || at < earliest)
            earliest = at;
    }
    return earliest;
}

void TimerTab::followClockStep()
{
    // The waits count real seconds from the old time.
    for (const auto& [wait, at] : std::exchange(m_powerOnWaits, {})) {
        m_wakeWaits.cancelWait(wait);
        if (!waitFor(at))
            tellWakeUpFailed(at);
    }
    if (!isCounting())
        return;
    // A countdown counts real seconds: the clock moved the moment its open
    // warning names, which is given anew. At a date, the moment stands on the
    // wall clock, unless the time zone changed under it.
    const bool moved = m_timerMode != countdown::At || followWallMoment();
    if (moved && m_desk && m_desk->isOpen(countdownKey())) {
        m_desk->retract(countdownKey());
        ++m_countdownRound;
        warnAhead();
    }
}

bool TimerTab::followWallMoment()
{
    // From the second counted from to the date and time as the clock now
    // reads it (behind now when it has passed: the count ends at the next
    // tick), and what Postpone added.
    const QDateTime now = m_platform.now();
    const qint64 passed = now.toSecsSinceEpoch() - m_originMs / 1000;
    const qint64 total = passed + countdown::countSeconds(countdown::At, pickerValues(), now, 0) +
                         m_postponedSeconds;
    if (total == m_totalSeconds)
        return false;
    m_totalSeconds = total;
    aimNextTick();
    return true;
}

bool TimerTab::waitFor(const QDateTime& at)
{
    const quint64 wait =
        m_wakeWaits.startWaitUntil(at, [tab = QPointer(this)](quint64 id, WaitEnd end) {
            if (tab)
                tab->powerOnEnded(id, end);
        });
    if (wait != 0)
        m_powerOnWaits.emplace(wait, at);
    return wait != 0;
}

void TimerTab::powerOn(qint64 seconds)
{
    // The whole second it is announced for: waits armed anew after the clock
    // is set count to it, not to a part of the next one.
    const QDateTime at = QDateTime::fromSecsSinceEpoch(m_platform.now().addSecs(seconds).toSecsSinceEpoch());
    if (!waitFor(at)) {
        tellWakeUpFailed(at);
        return;
    }
    // Announced once armed: a script's Power On is set while nobody reads the box.
    const WakeTimer& timer = m_wakeWaits.timer();
    MessageBox::information(
        this, countdown::powerOnAnnouncement(at, timer.canWake(), timer.whyNoWake()));
}

void TimerTab::powerOnEnded(quint64 wait, WaitEnd end)
{
    const auto found = m_powerOnWaits.find(wait);
    if (found == m_powerOnWaits.end())
        return;
    const QDateTime at = found->second;
    m_powerOnWaits.erase(found);
    if (end == WaitEnd::Failed) {
        tellWakeUpFailed(at);
        return;
    }
    const QString target = m_targetEdit->text().trimmed();
    if (!target.isEmpty())
        m_actions.shellOpen(target);
}

void TimerTab::tellWakeUpFailed(const QDateTime& at)
{
    MessageBox::notify(this, QStringLiteral("The wake-up at %1 could not be set: %2")
                                 .arg(datetext::general(at), m_wakeWaits.lastError()));
}

void TimerTab::startCountdown(qint64 seconds, const QDateTime& now)
{
    // Counting regardless of input would act while the user is at work.
    if (m_timerMode == countdown::Quiet && !m_platform.lastInputTick()) {
        MessageBox::information(
            this, QStringLiteral("The countdown without keyboard and mouse input cannot "
                                 "start: %1")
                      .arg(m_platform.idleUnavailableReason()));
        return;
    }
    m_startButton->setText(QStringLiteral("Stop"));
    disablePickers();
    for (QRadioButton* option : m_modeButtons)
        option->setEnabled(false);
    repaintActions(false);
    m_remainLabel->setText(countdown::remainingText(seconds));
    m_lastInputSeen = m_lastInput;
    m_idleStartTick = m_platform.tickCount();
    m_elapsedBeforeMs = 0;
    m_postponedSeconds = 0;
    m_originMs = now.toMSecsSinceEpoch() - now.time().msec();
    aimNextTick();
    emit countdownStarted();
}

qint64 TimerTab::elapsedMs() const
{
    // A date and time is a second of the wall clock; every other count is
    // real time from Start, on the tick count, which timers cannot shorten.
    if (m_timerMode == countdown::At)
        return m_platform.now().toMSecsSinceEpoch() - m_originMs;
    return m_elapsedBeforeMs + countdown::elapsedMs(m_platform.tickCount(), m_idleStartTick);
}

qint64 TimerTab::endMs() const
{
    // Readings of the tick count may fall short of the time passed; the
    // wall clock's second is exact.
    const qint64 slack = m_timerMode == countdown::At ? 0 : m_platform.tickSlackMs();
    return countdown::countEndMs(m_totalSeconds, slack);
}

void TimerTab::aimNextTick()
{
    const qint64 wait = countdown::msToNextSecond(endMs(), elapsedMs());
    // On the wall clock a tick comes just after the second, so it reads the new one.
    m_countdownTimer->start(int(wait) + (m_timerMode == countdown::At ? kTickAfterSecondMs : 0));
}

void TimerTab::stop()
{
    if (m_desk)
        m_desk->retract(countdownKey());
    ++m_countdownRound;
    m_countdownForced.reset();
    m_startButton->setText(kStart);
    for (QRadioButton* option : m_modeButtons)
        option->setEnabled(true);
    m_modeButtons[size_t(m_timerMode)]->setChecked(true);
    enablePickers(m_timerMode);
    repaintActions(true);
    m_countdownTimer->stop();
    m_remainLabel->setText(QStringLiteral("Timer disabled"));
    setBar(0.0);
    emit countdownStopped();
}

void TimerTab::onCountdownTick()
{
    // Long before the tick count can wrap past the start, the start moves on.
    if (const qint64 since = countdown::elapsedMs(m_platform.tickCount(), m_idleStartTick);
        since >= countdown::kTickFoldMs) {
        m_elapsedBeforeMs += since;
        m_idleStartTick += quint32(since);
    }
    if (m_modeButtons[countdown::Quiet]->isChecked()) {
        const std::optional<quint32> input = m_platform.lastInputTick();
        if (!input) {
            stop();
            MessageBox::notify(this, QStringLiteral("The countdown stopped: %1")
                                         .arg(m_platform.idleUnavailableReason()));
            return;
        }
        m_lastInput = *input;
        if (m_lastInput != m_lastInputSeen) {
            // Input restarts the quiet stretch from this tick; a warning
            // given for the old stretch no longer holds.
            m_lastInputSeen = m_lastInput;
            m_idleStartTick = m_platform.tickCount();
            m_elapsedBeforeMs = 0;
            if (m_desk)
                m_desk->retract(countdownKey());
            ++m_countdownRound;
            // The label and the bar stay as they are this tick; the whole
            // stretch is ahead again, so no warning before it nears its end.
            // A postponement was for the stretch it was asked in.
            m_totalSeconds -= std::exchange(m_postponedSeconds, 0);
            m_remainSeconds = m_totalSeconds;
            aimNextTick();
            return;
        }
    }
    const qint64 elapsed = elapsedMs();
    if (countdown::countEnded(endMs(), elapsed) && !warnedLate(elapsed)) {
        m_remainSeconds = 0;
        finish();
        return;
    }
    m_remainSeconds = countdown::secondsLeft(m_totalSeconds, elapsed);
    m_remainLabel->setText(countdown::remainingText(m_remainSeconds));
    setBar(countdown::barAfter(m_totalSeconds, m_totalSeconds - m_remainSeconds));
    warnAhead();
    aimNextTick();
}

QString TimerTab::countdownKey() const
{
    return QStringLiteral("countdown:%1").arg(m_countdownRound);
}

QDateTime TimerTab::endMoment() const
{
    const qint64 endsAtMs = m_platform.now().toMSecsSinceEpoch() + endMs() - elapsedMs();
    return QDateTime::fromSecsSinceEpoch(endsAtMs / 1000);
}

Warning TimerTab::countdownWarning(const QDateTime& moment) const
{
    return {countdownKey(), WarningSource::Countdown, m_actionCombo->currentIndex() + 1, moment};
}

void TimerTab::warnAhead()
{
    if (!m_desk)
        return;
    Warning warning = countdownWarning(endMoment());
    warning.forced = countdownForced();
    m_desk->consider(warning, m_platform.now());
}

bool TimerTab::warnedLate(qint64 elapsedMs)
{
    // Nobody can have seen its warning (the computer slept through it or
    // since, or the clock was set past it): nobody could stop it. It ends a
    // lead from now instead, warned of at once, as a postponed one is.
    if (!m_desk || !m_desk->unseenAtAct(countdownWarning(m_platform.now())))
        return false;
    const qint64 added = (elapsedMs - endMs()) / 1000 + m_desk->leadSeconds(); // ends on its own second
    m_totalSeconds += added;
    m_postponedSeconds += added;
    return true;
}

void TimerTab::cancelCountdown(const QString& key)
{
    if (isCounting() && key == countdownKey())
        stop();
}

void TimerTab::postponeCountdown(const QString& key)
{
    if (!isCounting() || key != countdownKey())
        return;
    ++m_countdownRound;
    m_totalSeconds += kPostponeSeconds;
    m_postponedSeconds += kPostponeSeconds;
    m_remainSeconds += kPostponeSeconds;
    m_remainLabel->setText(countdown::remainingText(m_remainSeconds));
}

void TimerTab::finish()
{
    const bool forcedNow = countdownForced();
    m_countdownTimer->stop();
    stop(); // idle again before the action starts
    const int kind = m_actionCombo->currentIndex() + 1;
    QString text;
    if (kind == int(ActionKind::EventsRemind))
        text = QStringLiteral("Hurry, time is up!");
    else if (kind == int(ActionKind::OpenTarget))
        text = m_targetEdit->text();
    emit countdownFired(kind);
    m_actions.performRequested(kind, forcedNow, text); // its failure is told, as each time
}

} // namespace zelkor
