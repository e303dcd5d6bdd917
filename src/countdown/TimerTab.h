#pragma once

#include "countdown/CountdownBar.h"
#include "countdown/CountdownMath.h"
#include "countdown/SteadyLabel.h"
#include "platform/Platform.h"
#include "countdown/TimerTabState.h"
#include "shell/PictureCombo.h"

#include <QWidget>

#include <array>
#include <functional>
#include <map>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace zelkor {

class ActionExecutor;
class WakeWaits;
enum class WaitEnd;
class WarningDesk;
struct Warning;

// The "Timer" tab: the clock and uptime labels, a one-off countdown in one of
// four modes that performs the chosen action at zero ("Power On" instead waits
// for the wake timer), and the program-wide force choice.
class TimerTab : public QWidget, public TimerStateHolder {
    Q_OBJECT
public:
    TimerTab(Platform& platform, ActionExecutor& actions, WakeWaits& wakeWaits,
             QWidget* parent = nullptr);

    // What the settings file keeps of this tab.
    TimerTabState timerState() const override;
    void applyTimerState(const TimerTabState& state) override;

    bool forced() const;
    bool countdownForced() const { return m_countdownForced.value_or(forced()); }
    void setClock(const QString& clock, const QString& uptime);
    // Start-up: the date and time picker show `now`.
    void setDateTimePickers(const QDateTime& now);
    // The widget that takes the focus from the action list.
    void setFocusSink(QWidget* sink) { m_focusSink = sink; }

    // Power actions at zero are announced on the desk ahead of their second.
    void setWarningDesk(WarningDesk* desk) { m_desk = desk; }
    // Asked before Stop ends a running countdown; false keeps it running.
    void setStopGuard(std::function<bool()> guard) { m_stopGuard = std::move(guard); }
    // Answers to a warning: Cancel stops the countdown as Stop does;
    // Postpone adds kPostponeSeconds to it.
    QString countdownKey() const;
    void cancelCountdown(const QString& key);
    void postponeCountdown(const QString& key);

    // Handlers.
    void onModeChosen(int index);
    void disablePickers();
    void onActionChosen();
    void browseForTarget();
    void onStartStop();
    void onCountdownTick();

    // A countdown asked for from outside (scripts, the command line): the
    // controls are set to the mode, action and target, then it starts as
    // Start would, for `seconds`; one that runs already is stopped first.
    // The caller has checked the values; "Power On" is started after the
    // caller returns, as its announcement waits for the user. `forced` is the
    // countdown's own: the Force box stays the user's choice for everything else.
    void startRemote(int mode, qint64 seconds, int action, bool forced, const QString& target);
    // As Stop, when counting; the Power Ons that wait are cancelled and disarmed.
    void stopRemote();
    // The earliest moment a Power On of this tab waits for; invalid when none waits.
    QDateTime powerOnMoment() const;
    // The wall clock was set: each Power On waits for the moment it announced
    // on the new time, and one the clock was set past opens its target now.
    void followClockStep();

    int timerMode() const { return m_timerMode; }
    qint64 remainSeconds() const { return m_remainSeconds; }
    // The wall-clock second in which the running count ends: the same at
    // every reading, whenever between two ticks it is asked.
    QDateTime endMoment() const;
    qint64 totalSeconds() const { return m_totalSeconds; }
    double barWidth() const { return m_barWidth; } // 0 .. countdown::kBarWidth
    bool isCounting() const;
    countdown::PickerValues pickerValues() const;
    QList<QDateTimeEdit*> pickersOf(int mode) const;

    SteadyLabel* m_clockLabel = nullptr;
    SteadyLabel* m_uptimeLabel = nullptr;
    std::array<QRadioButton*, 4> m_modeButtons{};
    QDateTimeEdit* m_afterHoursEdit = nullptr;
    QDateTimeEdit* m_atDateEdit = nullptr;
    QDateTimeEdit* m_atTimeEdit = nullptr;
    QDateTimeEdit* m_afterMinutesEdit = nullptr;
    QDateTimeEdit* m_uptimeHoursEdit = nullptr;
    QDateTimeEdit* m_uptimeMinutesEdit = nullptr;
    QDateTimeEdit* m_idleMinutesEdit = nullptr;
    PictureCombo* m_actionCombo = nullptr; // items 1..9
    QCheckBox* m_forceCheck = nullptr;
    QLineEdit* m_targetEdit = nullptr; // program, file or URL
    QPushButton* m_browseButton = nullptr;
    QPushButton* m_startButton = nullptr; // "Start" / "Stop"
    CountdownBar* m_progressBar = nullptr;
    QLabel* m_remainLabel = nullptr;
    QTimer* m_countdownTimer = nullptr;

signals:
    void countdownStarted();
    void countdownStopped(); // also when it ran out, before countdownFired
    void countdownFired(int action);

private:
    void build();
    // The pickers the settings file keeps, in its order.
    std::array<QDateTimeEdit*, 5> keptPickers() const;
    QWidget* buildModes();
    void stop();
    void startCountdown(qint64 seconds, const QDateTime& now);
    qint64 elapsedMs() const; // of the running count
    qint64 endMs() const;     // of the running count, on the same clock
    void aimNextTick();
    void powerOn(qint64 seconds);
    // Counting to a date and time: the count ends there on the clock as it
    // reads now (a new time zone moves it); true when the end moved.
    bool followWallMoment();
    // Arms a wake wait for `at` and keeps it; false when it cannot be armed.
    bool waitFor(const QDateTime& at);
    void powerOnEnded(quint64 wait, WaitEnd end);
    void tellWakeUpFailed(const QDateTime& at);
    void enablePickers(int mode);
    void repaintActions(bool enabled);
    void setBar(double width);
    void finish();
    // A count that ended unwarned moves on by the warning's lead, if there is one.
    bool warnedLate(qint64 elapsedMs);
    // The warning of this round of the count, acting at `moment`.
    Warning countdownWarning(const QDateTime& moment) const;
    void warnAhead();

    Platform& m_platform;
    ActionExecutor& m_actions;
    WakeWaits& m_wakeWaits;
    QWidget* m_focusSink = nullptr;
    int m_timerMode = countdown::After;
    std::optional<bool> m_countdownForced; // set by a countdown from outside
    std::map<quint64, QDateTime> m_powerOnWaits; // each Power On's wake wait, and its moment
    qint64 m_remainSeconds = 0;
    qint64 m_totalSeconds = 0;
    qint64 m_postponedSeconds = 0; // of m_totalSeconds, added by Postpone
    double m_barWidth = 0.0;
    quint32 m_lastInput = 0;     // the last input tick read
    quint32 m_idleStartTick = 0; // where the count, or its current quiet stretch, began
    // Counted before m_idleStartTick: the tick count wraps after 49.7 days, so
    // a longer count moves its start on now and then and keeps what passed.
    qint64 m_elapsedBeforeMs = 0;
    qint64 m_originMs = 0;       // a date and time: the wall clock's second at Start
    quint32 m_lastInputSeen = 0; // the last input tick when it began
    WarningDesk* m_desk = nullptr;
    std::function<bool()> m_stopGuard = [] { return true; };
    int m_countdownRound = 0; // a new one for every start and postponement
};

} // namespace zelkor
