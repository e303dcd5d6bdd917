#pragma once

#include "common/AppState.h"
#include "countdown/PowerOnSearch.h"
#include "countdown/WakeWaits.h"
#include "platform/Platform.h"
#include "tasks/TaskStore.h"

#include <QObject>

#include <functional>

class QTimer;

namespace zelkor {

class ActionExecutor;

// The scheduled power-on: find the nearest "Power On" occurrence, wait for it
// on the wake timer, open its target or show its message, and start over.
// A task change or a clock step starts the search again; Exit stops it.
class PowerOnCycle : public QObject {
    Q_OBJECT
public:
    PowerOnCycle(Platform& platform, AppState& state, ActionExecutor& actions, WakeWaits& wakeWaits,
                 QObject* parent = nullptr);

    // Shows the reminder window with remindText and returns once it is closed.
    void setMessagePresenter(std::function<void()> showModal)
    {
        m_showModal = std::move(showModal);
    }
    // Refills the task list (refreshTaskList) after each wake.
    void setListRefresher(std::function<void()> refill) { m_refill = std::move(refill); }

    // Enables m_cycleTimer, whose tick ends the pending wait and searches
    // again.
    void start();
    // No wait is left pending, and no search follows.
    void stop();
    // A new time zone moved the wall clock by `seconds`: what ran keeps its
    // wall-clock second, so it does not run again when the new clock shows it.
    void followZoneShift(int seconds) { m_fired.shift(-seconds); }
    // A wait is pending, or a task's target or message is being seen to.
    bool isRunning() const { return m_wait != 0 || m_following; }

    void onCycleTimer();

    int cycles() const { return m_cycles; } // searches made

    QTimer* m_cycleTimer = nullptr;

signals:
    // The wake timer could not be armed: the cycle ends rather than spinning.
    // Also, once a run: a timer armed that cannot wake the computer.
    void problem(const QString& message);

private:
    poweron::Choice searchNow();
    void armNext();
    void waitEnded(const poweron::Choice& occurrence, WaitEnd end);
    void followUp(const poweron::Choice& occurrence);

    Platform& m_platform;
    AppState& m_state;
    ActionExecutor& m_actions;
    WakeWaits& m_wakeWaits;
    std::function<void()> m_showModal;
    std::function<void()> m_refill;
    bool m_following = false;
    quint64 m_wait = 0; // the pending wake wait
    bool m_toldNoWake = false;
    int m_cycles = 0;
    FiredMoments m_fired; // what ran in this run, so it never runs twice
};

} // namespace zelkor
