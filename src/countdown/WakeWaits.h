#pragma once

#include "common/AppState.h"
#include "platform/WakeTimer.h"

#include <QObject>

#include <functional>
#include <vector>

class QTimer;

namespace zelkor
{

// How a wake wait ended.
// Event loops end with 0 when the application quits, so no end is 0.
enum class WaitEnd {
    Fired = 1,       // the timer came due
    Cancelled = 2,   // cancelWakeWait was set, or the wait's own cancel
    Failed = 3,      // the timer could not be armed or broke; lastError() says why
    Interrupted = 4, // the program is quitting
};

// The wake waits: arm the process's one wake timer and run a nested event loop,
// in which the whole program keeps working, until it fires. A wait started
// while others are pending re-arms the same timer, so all of them end at the
// newest time, the innermost first. When no wait is left the timer is disarmed.
class WakeWaits : public QObject
{
    Q_OBJECT
public:
    WakeWaits(WakeTimer& timer, AppState& state, QObject* parent = nullptr);

    // A one-shot started before every wait; its tick only wakes the loop once.
    void setNudge(QTimer* nudge) { m_nudge = nudge; }

    // `armed` runs once the timer is set, before the wait: a message shown
    // there does not hold the arming up while nobody reads it. The wait also
    // ends, Cancelled, when `cancelled` answers true at the top of a pass.
    WaitEnd waitForWake(qint64 seconds, const std::function<void()>& armed = {},
                        const std::function<bool()>& cancelled = {})
    {
        return wait(seconds, cancelled, armed);
    }
    // Also ends when cancelWakeWait is found set at the top of a pass.
    WaitEnd waitForWakeOrCancel(qint64 seconds)
    {
        return wait(seconds, [this] { return m_state.cancelWakeWait; }, {});
    }

    WakeTimer& timer() const { return m_timer; }
    int pendingWaits() const { return int(m_waits.size()); }
    QString lastError() const { return m_lastError; }

private:
    WaitEnd wait(qint64 seconds, const std::function<bool()>& cancelled,
                 const std::function<void()>& armed);

    WakeTimer& m_timer;
    AppState& m_state;
    QTimer* m_nudge = nullptr;
    std::vector<quint64> m_waits; // pending waits, innermost last
    quint64 m_nextWait = 0;
    QString m_lastError;
};

} // namespace zelkor
