#pragma once

#include "common/AppState.h"
#include "platform/Platform.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

namespace zelkor
{

class BeepLoop;

// The "Message" window: shows the reminder text and beeps until OK.
// There is one instance, reused; a show while it is open only brings it to the top.
class ReminderWindow : public QDialog
{
    Q_OBJECT
public:
    ReminderWindow(Platform& platform, AppState& state, QWidget* parent = nullptr);
    ~ReminderWindow() override;

    // Loads the window with the current reminder text unless it is already
    // open, then shows it without blocking, on top of other windows.
    void present();
    // The same, shown modally; returns once the window is closed.
    void presentModal();

    // Whether a burst is being heard or the next one is due.
    bool isBeeping() const;
    // Loaded and not closed yet, whether seen or put away by hidden mode.
    bool isOpen() const { return m_open; }

    // Handlers, public so tests can drive them without waiting.
    void startBeeping();
    void onOkClicked();
    BeepLoop* beepLoop() const { return m_beeps; }

    QLabel* m_iconLabel = nullptr;
    QLabel* m_messageLabel = nullptr;
    QPushButton* m_okButton = nullptr;
    QTimer* m_beepStartTimer = nullptr; // starts the beeping once, half a second after the load
    bool m_closedByOk = false; // OK was clicked: the beeping ends with the burst in progress

signals:
    void closed();

public slots:
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void prepare(bool modal);
    void bringToTop();
    void ended(); // the window was closed: no more beeping, waiters go on

    Platform& m_platform;
    AppState& m_state;
    BeepLoop* m_beeps = nullptr;
    bool m_open = false;
};

} // namespace zelkor
