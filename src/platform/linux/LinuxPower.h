#pragma once

#include "platform/Platform.h"

#include <QDBusConnection>
#include <QObject>

class QEventLoop;
class QTimer;

namespace zelkor {

// Hibernation through logind: asks for it, then waits in a nested event loop
// (so the program keeps running) until logind reports the resume.
class LogindHibernation : public QObject {
    Q_OBJECT
public:
    struct Bounds {
        // From the request to logind's "going to sleep" signal. Delay
        // inhibitors of other programs hold the sleep up by a few seconds at
        // most (logind's InhibitDelayMaxSec is 5 s by default); past this the
        // request has plainly come to nothing, and our caller must not be held
        // forever.
        int untilSleepMs = 30000;
        // From "going to sleep" to "resumed", counted while the machine is
        // awake only (the timer does not run while it sleeps). Writing the
        // image and a failed attempt take well under this; the bound only
        // keeps a lost resume signal from holding our caller for good.
        int untilResumeMs = 300000;
    };

    explicit LogindHibernation(QDBusConnection systemBus);
    LogindHibernation(QDBusConnection systemBus, Bounds bounds);
    ~LogindHibernation() override;

    // Returns after the resume, after a bound, or at once when logind refuses.
    // A call while an earlier one waits returns at once: one hibernation is
    // enough, and the waits must not nest.
    Outcome hibernate();
    bool waiting() const { return m_waiting; }

private slots:
    void prepareForSleep(bool starting);

private:
    void finish(const Outcome& outcome);

    QDBusConnection m_bus;
    Bounds m_bounds;
    bool m_waiting = false;
    bool m_asleep = false;
    quint64 m_request = 0; // numbers the requests, to tell their answers apart
    Outcome m_outcome;
    QEventLoop* m_loop = nullptr; // the running wait, if any
    QTimer* m_bound = nullptr;
};

} // namespace zelkor
