#pragma once

#include "guard/WarningDesk.h"
#include "platform/Platform.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;

namespace zelkor
{

// The warning where no notification server answers: a small window on top of
// every other, with the warning's text, a live count of the seconds left, and
// the same buttons. It never waits for an answer: the action comes at its
// second whether the window is open or not.
class WarningWindow : public QWidget
{
    Q_OBJECT
public:
    WarningWindow(Platform& platform, const Warning& warning, QWidget* parent = nullptr);

    const Warning& warning() const { return m_warning; }
    void updateCount();

    QLabel* m_textLabel = nullptr;
    QLabel* m_countLabel = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_postponeButton = nullptr;
    QTimer* m_countTimer = nullptr;

signals:
    void answered(const QString& key, zelkor::WarningAnswer answer);

private:
    Platform& m_platform;
    Warning m_warning;
};

} // namespace zelkor
