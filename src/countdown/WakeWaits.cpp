#include "countdown/WakeWaits.h"

#include <QTimer>

#include <algorithm>

namespace zelkor
{

WakeWaits::WakeWaits(WakeTimer& timer, std::function<QDateTime()> now, QObject* parent)
    : QObject(parent), m_timer(timer), m_now(std::move(now))
{
    connect(&m_timer, &WakeTimer::fired, this, &WakeWaits::onFired);
}

WakeWaits::~WakeWaits()
{
    // Nobody is left to answer the wake-up.
    if (!m_waits.empty())
        m_timer.disarm();
}

quint64 WakeWaits::startWait(qint64 seconds, Done done)
{
    const quint64 id = ++m_nextWait;
    const qint64 dueMs = nowMs() + qMax<qint64>(seconds, 0) * 1000;
    // A wait that comes after another leaves the timer as it is.
    const bool first = m_waits.empty() || dueMs < earliestDueMs();
    m_waits.push_back({id, dueMs, std::move(done)});
    if (!first)
        return id;
    if (const Outcome set = m_timer.arm(qMax<qint64>(seconds, 0)); !set.ok) {
        m_lastError = set.error;
        cancelWait(id);
        return 0;
    }
    return id;
}

quint64 WakeWaits::startWaitUntil(const QDateTime& at, Done done)
{
    const qint64 ms = qMax<qint64>(at.toMSecsSinceEpoch() - nowMs(), 0);
    return startWait((ms + 999) / 1000, std::move(done));
}

void WakeWaits::cancelWait(quint64 id)
{
    const auto found =
        std::find_if(m_waits.begin(), m_waits.end(), [id](const Wait& wait) { return wait.id == id; });
    if (found == m_waits.end())
        return;
    const qint64 dueMs = found->dueMs;
    m_waits.erase(found);
    // Only the earliest wait's moment is on the timer.
    if (m_waits.empty() || dueMs < earliestDueMs())
        rearm();
}

qint64 WakeWaits::earliestDueMs() const
{
    return std::min_element(m_waits.begin(), m_waits.end(),
                            [](const Wait& a, const Wait& b) { return a.dueMs < b.dueMs; })
        ->dueMs;
}

void WakeWaits::rearm()
{
    if (m_waits.empty()) {
        // A wait that is no longer wanted must not wake the computer.
        m_timer.disarm();
        return;
    }
    if (const Outcome set = m_timer.armMs(earliestDueMs() - nowMs()); !set.ok) {
        m_lastError = set.error;
        end(std::exchange(m_waits, {}), WaitEnd::Failed);
    }
}

void WakeWaits::onFired()
{
    if (m_timer.failed()) {
        m_lastError = m_timer.failure();
        end(std::exchange(m_waits, {}), WaitEnd::Failed);
        m_timer.disarm();
        return;
    }
    if (!m_timer.signalled() || m_waits.empty())
        return;
    const qint64 now = nowMs();
    std::vector<Wait> due;
    for (auto it = m_waits.begin(); it != m_waits.end();) {
        if (it->dueMs <= now) {
            due.push_back(std::move(*it));
            it = m_waits.erase(it);
        } else {
            ++it;
        }
    }
    // Also when none is due: the wall clock was set back since the arming.
    rearm();
    end(std::move(due), WaitEnd::Fired);
}

void WakeWaits::end(std::vector<Wait> ended, WaitEnd how)
{
    std::stable_sort(ended.begin(), ended.end(),
                     [](const Wait& a, const Wait& b) { return a.dueMs < b.dueMs; });
    // Each on its own from the event loop: one that shows a message holds
    // up no other, and none runs inside startWait or the timer's signal.
    for (Wait& wait : ended)
        QTimer::singleShot(0, this, [done = std::move(wait.done), id = wait.id, how] {
            done(id, how);
        });
}

} // namespace zelkor
