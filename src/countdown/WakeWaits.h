#pragma once

#include "common/AppState.h"
#include "platform/Platform.h"
#include "platform/WakeTimer.h"

#include <QDateTime>
#include <QObject>

#include <functional>
#include <vector>

class QTimer;

namespace zelkor
{

// How a wake wait ended.
// Event loops end with 0 when the application quits, so no end is 0.
enum class WaitEnd {
    Fired = 1,       // its moment came
    Cancelled = 2,   // cancelWakeWait was set, or the wait's own cancel
    Failed = 3,      // the timer could not be armed or broke; lastError() says why
    Interrupted = 4, // the program is quitting
};

// The wake waits. Each waits for its own moment on the wall clock; the
// process's one wake timer is armed for the earliest of them, and when it
// fires every wait whose moment has come ends, the others wait on. When no
// wait is left the timer is disarmed.
// A wait either runs a nested event loop, in which the whole program keeps
// working (waitForWakeOrCancel), or calls back when it ends (startWait).
class WakeWaits : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(quint64 id, WaitEnd end)>;

    // `now` is the wall clock the moments are kept on.
    WakeWaits(WakeTimer& timer, std::function<QDateTime()> now, AppState& state,
              QObject* parent = nullptr);
    WakeWaits(Platform& platform, AppState& state, QObject* parent = nullptr)
        : WakeWaits(platform.wakeTimer(), [&platform] { return platform.now(); }, state, parent)
    {
    }
    ~WakeWaits() override;

    // A one-shot started before every nested wait; its tick only wakes the loop once.
    void setNudge(QTimer* nudge) { m_nudge = nudge; }

    // Arms for `seconds` from now and returns at once: `done` runs from the
    // event loop once, with the wait's id, Fired or Failed. Returns the wait's id, or 0 when the
    // timer cannot be armed (lastError() says why; `done` never runs).
    quint64 startWait(qint64 seconds, Done done);
    // Ends a wait of startWait; its `done` does not run.
    void cancelWait(quint64 id);

    // Runs a nested event loop until the wait ends; also ends when
    // cancelWakeWait is found set at the top of a pass.
    WaitEnd waitForWakeOrCancel(qint64 seconds);

    WakeTimer& timer() const { return m_timer; }
    int pendingWaits() const { return int(m_waits.size()); }
    QString lastError() const { return m_lastError; }

private:
    struct Wait {
        quint64 id = 0;
        qint64 dueMs = 0; // on the wall clock
        Done done;
        bool nested = false; // done only ends its loop, so it runs at once
    };

    quint64 add(qint64 seconds, Done done, bool nested);
    void remove(quint64 id);
    qint64 earliestDueMs() const; // of a list that is not empty
    // Arms the timer for the earliest wait, or disarms it when none is left;
    // when it cannot be armed, every wait left ends Failed.
    void rearm();
    void onFired();
    void end(std::vector<Wait> ended, WaitEnd how);

    qint64 nowMs() const { return m_now().toMSecsSinceEpoch(); }

    WakeTimer& m_timer;
    std::function<QDateTime()> m_now;
    AppState& m_state;
    QTimer* m_nudge = nullptr;
    std::vector<Wait> m_waits;
    quint64 m_nextWait = 0;
    QString m_lastError;
};

} // namespace zelkor
