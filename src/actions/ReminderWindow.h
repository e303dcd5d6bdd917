#pragma once

#include "common/AppState.h"
#include "platform/Platform.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;
class QScrollArea;
class QTimer;

namespace zelkor
{

class BeepLoop;

// The "Message" window: shows the reminder text and beeps until OK.
// There is one instance, reused; a show while it is open adds its text below
// the others and brings the window to the top.
class ReminderWindow : public QDialog
{
    Q_OBJECT
public:
    ReminderWindow(Platform& platform, AppState& state, QWidget* parent = nullptr);
    ~ReminderWindow() override;

    // Loads the window with the current reminder text, or adds the text when
    // it is open already, then shows it without blocking, on top of others.
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
    QLabel* m_soundNotice = nullptr; // shown while the beeps cannot be heard
    QTimer* m_beepStartTimer = nullptr; // starts the beeping once, half a second after the load
    bool m_closedByOk = false; // OK was clicked: the beeping ends with the burst in progress

signals:
    void closed();

public slots:
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void prepare(bool modal);
    void addLaterText();
    void showText(const QString& text); // and fit the window to it
    void bringToTop();
    void showSoundProblem(const QString& problem);
    void ended(); // the window was closed: no more beeping, waiters go on

    Platform& m_platform;
    AppState& m_state;
    BeepLoop* m_beeps = nullptr;
    QScrollArea* m_textArea = nullptr; // scrolls a text the screen has no room for
    bool m_open = false;
    QStringList m_texts; // shown since the load, oldest first
};

} // namespace zelkor
