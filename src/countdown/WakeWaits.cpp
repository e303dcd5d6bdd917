#include "countdown/WakeWaits.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>

namespace zelkor
{

WakeWaits::WakeWaits(WakeTimer& timer, AppState& state, QObject* parent)
    : QObject(parent), m_timer(timer), m_state(state)
{
}

WaitEnd WakeWaits::wait(qint64 seconds, const std::function<bool()>& cancelled,
                        const std::function<void()>& armed)
{
    const auto isCancelled = [&cancelled] { return cancelled && cancelled(); };
    const quint64 id = ++m_nextWait;
    m_waits.push_back(id);
    const auto leave = qScopeGuard([this, id] {
        m_waits.erase(std::find(m_waits.begin(), m_waits.end(), id));
        // A wait that is no longer wanted must not wake the computer.
        if (m_waits.empty())
            m_timer.disarm();
    });

    if (const Outcome set = m_timer.arm(seconds); !set.ok) {
        m_lastError = set.error;
        return WaitEnd::Failed;
    }
    if (armed)
        armed();
    if (m_nudge)
        m_nudge->start();
    if (isCancelled())
        return WaitEnd::Cancelled;

    // One pass of the loop handles what is pending, then blocks for more; the
    // ends are tested at the top of every pass of the innermost wait, the
    // cancel flag before the timer (a cancel seen with the firing wins).
    QEventLoop loop;
    const auto pass = [&] {
        if (m_waits.back() != id)
            return;
        if (isCancelled())
            loop.exit(int(WaitEnd::Cancelled));
        else if (m_timer.failed())
            loop.exit(int(WaitEnd::Failed));
        else if (m_timer.signalled())
            loop.exit(int(WaitEnd::Fired));
    };
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop,
            pass);
    const int end = loop.exec();
    switch (end) {
    case int(WaitEnd::Fired):
    case int(WaitEnd::Cancelled):
        return WaitEnd(end);
    case int(WaitEnd::Failed):
        m_lastError = m_timer.failure();
        return WaitEnd::Failed;
    default: // the application left every loop
        return WaitEnd::Interrupted;
    }
}

} // namespace zelkor
