#pragma once

#include "countdown/CountdownMath.h"
#include "platform/Platform.h"
#include "countdown/TimerTabState.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace zelkor {

class ActionExecutor;
class ModTimer;

// The "Timer" tab: the clock and uptime labels, a one-off countdown in one of
// four modes that performs the chosen action at zero ("Power On" instead waits
// for the wake timer), and the program-wide force choice.
class TimerTab : public QWidget, public TimerStateHolder {
    Q_OBJECT
public:
    TimerTab(Platform& platform, ActionExecutor& actions, ModTimer& modTimer,
             QWidget* parent = nullptr);

    // What the settings file keeps of this tab.
    TimerTabState timerState() const override;
    void applyTimerState(const TimerTabState& state) override;

    bool forced() const; // ChkForce checked
    void setClock(const QString& clock, const QString& uptime);
    // Start-up: the date and time picker show `now`.
    void setDateTimePickers(const QDateTime& now);
    // The widget that takes the focus from the action list.
    void setFocusSink(QWidget* sink) { m_focusSink = sink; }

    // Handlers.
    void Option1_Click(int index);
    void disablePickers();
    void ImageCombo1_Click();
    void CmdOpen_Click();
    void CmdStart_Click();
    void TimerRemain_Timer();

    int timerMode() const { return m_timerMode; }
    qint64 remainSeconds() const { return m_remainSeconds; }
    qint64 totalSeconds() const { return m_totalSeconds; }
    double barWidth() const { return m_barWidth; } // 0 .. countdown::kBarWidth
    bool isCounting() const;
    countdown::PickerValues pickerValues() const;
    QList<QDateTimeEdit*> pickersOf(int mode) const;

    QLabel* Label2 = nullptr; // clock
    QLabel* Label4 = nullptr; // uptime
    std::array<QRadioButton*, 4> Option1{};
    QDateTimeEdit* DTPicker1 = nullptr; // mode 0 hours
    QDateTimeEdit* DTPicker2 = nullptr; // mode 1 date
    QDateTimeEdit* DTPicker3 = nullptr; // mode 1 time of day
    QDateTimeEdit* DTPicker4 = nullptr; // mode 0 minutes
    QDateTimeEdit* DTPicker5 = nullptr; // mode 2 hours
    QDateTimeEdit* DTPicker6 = nullptr; // mode 2 minutes
    QDateTimeEdit* DTPicker7 = nullptr; // mode 3 minutes
    QComboBox* ImageCombo1 = nullptr;   // action, items 1..9
    QCheckBox* ChkForce = nullptr;      // "Force applications to close."
    QLineEdit* TxtDir = nullptr;        // program, file or URL
    QPushButton* CmdOpen = nullptr;     // "Browse..."
    QPushButton* CmdStart = nullptr;    // "Start" / "Stop"
    QProgressBar* ImgBar = nullptr;
    QLabel* LabRemain = nullptr;
    QTimer* TimerRemain = nullptr;

private:
    void build();
    // The pickers the settings file keeps, in its order.
    std::array<QDateTimeEdit*, 5> keptPickers() const;
    QWidget* buildModes();
    void Stop();
    void startCountdown(qint64 seconds);
    void powerOn(qint64 seconds);
    void enablePickers(int mode);
    void repaintActions(bool enabled);
    void setBar(double width);
    void finish();

    Platform& m_platform;
    ActionExecutor& m_actions;
    ModTimer& m_modTimer;
    QWidget* m_focusSink = nullptr;
    int m_timerMode = countdown::After;
    qint64 m_remainSeconds = 0;
    qint64 m_totalSeconds = 0;
    double m_barWidth = 0.0;
    quint32 m_lastInput = 0;     // the last input tick read
    quint32 m_idleStartTick = 0; // where the current quiet stretch began
    quint32 m_lastInputSeen = 0; // the last input tick when it began
};

} // namespace zelkor
