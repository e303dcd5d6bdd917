#pragma once

#include "countdown/TimerTabState.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;

namespace zelkor {

// The "Timer" tab: the clock and uptime labels, the countdown controls, the
// action list and the program-wide force choice.
class TimerTab : public QWidget, public TimerStateHolder {
    Q_OBJECT
public:
    explicit TimerTab(QWidget* parent = nullptr);

    // What the settings file keeps of this tab.
    TimerTabState timerState() const override;
    void applyTimerState(const TimerTabState& state) override;

    bool forced() const; // ChkForce checked
    void setClock(const QString& clock, const QString& uptime);

    QLabel* Label2 = nullptr;        // clock
    QLabel* Label4 = nullptr;        // uptime
    QCheckBox* ChkForce = nullptr;   // "Force applications to close."
    QComboBox* ImageCombo1 = nullptr; // action, items 1..9
};

} // namespace zelkor
