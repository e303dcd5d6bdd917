#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;

namespace zelkor {

// The "Timer" tab: the clock and uptime labels, the countdown controls, the
// action list and the program-wide force choice.
class TimerTab : public QWidget {
    Q_OBJECT
public:
    explicit TimerTab(QWidget* parent = nullptr);

    bool forced() const; // ChkForce checked
    void setClock(const QString& clock, const QString& uptime);

    QLabel* Label2 = nullptr;        // clock
    QLabel* Label4 = nullptr;        // uptime
    QCheckBox* ChkForce = nullptr;   // "Force applications to close."
    QComboBox* ImageCombo1 = nullptr; // action, items 1..9
};

} // namespace zelkor
