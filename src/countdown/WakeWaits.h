#pragma once

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
enum class WaitEnd {
    Fired,  // its moment came
    Failed, // the timer could not be armed or broke; lastError() says why
};

// The wake waits. Each waits for its own moment on the wall clock; the
// process's one wake timer is armed for the earliest of them, and when it
// fires every wait whose moment has come ends, the others wait on. When no
// wait is left the timer is disarmed.
class WakeWaits : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(quint64 id, WaitEnd end)>;

    // `now` is the wall clock the moments are kept on.
    WakeWaits(WakeTimer& timer, std::function<QDateTime()> now, QObject* parent = nullptr);
    explicit WakeWaits(Platform& platform, QObject* parent = nullptr)
        : WakeWaits(platform.wakeTimer(), [&platform] { return platform.now(); }, parent)
    {
    }
    ~WakeWaits() override;

    // Arms for `seconds` from now and returns at once: `done` runs from the
    // event loop once, with the wait's id, Fired or Failed. Returns the id,
    // or 0 when the timer cannot be armed (lastError() says why; `done`
    // never runs).
    quint64 startWait(qint64 seconds, Done done);
    // The same for the moment `at` of the wall clock, in whole seconds
    // rounded up: never before it; at once when it has passed.
    quint64 startWaitUntil(const QDateTime& at, Done done);
    // Ends a wait; its `done` does not run. An id of 0 or of a wait that
    // ended is let be.
    void cancelWait(quint64 id);

    WakeTimer& timer() const { return m_timer; }
    int pendingWaits() const { return int(m_waits.size()); }
    QString lastError() const { return m_lastError; }

private:
    struct Wait {
        quint64 id = 0;
        qint64 dueMs = 0; // on the wall clock
        Done done;
    };

    qint64 nowMs() const { return m_now().toMSecsSinceEpoch(); }
    qint64 earliestDueMs() const; // of a list that is not empty
    // Arms the timer for the earliest wait, or disarms it when none is left;
    // when it cannot be armed, every wait left ends Failed.
    void rearm();
    void onFired();
    void end(std::vector<Wait> ended, WaitEnd how);

    WakeTimer& m_timer;
    std::function<QDateTime()> m_now;
    std::vector<Wait> m_waits;
    quint64 m_nextWait = 0;
    QString m_lastError;
};

} // namespace zelkor
