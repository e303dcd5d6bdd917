#pragma once

#include <QGroupBox>

class QAbstractButton;
class QLabel;
class QPushButton;
class QSpinBox;

namespace zelkor
{

class SafetyKeeper;

// The Options tab's group for the warning and the password, and the guard
// that asks for the password before a guarded check box changes.
class SafetyOptions : public QGroupBox
{
    Q_OBJECT
public:
    SafetyOptions(SafetyKeeper& safety, QWidget* parent = nullptr);

    // A click or key press on `box` asks for the password first; refused, the
    // box stays as it was and nobody hears of the attempt.
    void guard(QAbstractButton* box);
    void showSettings();

    QSpinBox* m_warnSecondsSpin = nullptr;
    QLabel* m_passwordState = nullptr;
    QPushButton* m_setPasswordButton = nullptr;
    QPushButton* m_removePasswordButton = nullptr;
    QLabel* m_scopeNote = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void warnSecondsEdited();

    SafetyKeeper& m_safety;
};

} // namespace zelkor
