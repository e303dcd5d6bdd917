#include "countdown/PowerOnCycle.h"


#include "actions/ActionExecutor.h"
#include "common/DayNumber.h"
#include "countdown/WakeWaits.h"
#include "tasks/TaskQueries.h"

#include <QScopeGuard>
#include <QTimer>

namespace zelkor {

PowerOnCycle::PowerOnCycle(Platform& platform, AppState& state, ActionExecutor& actions,
                           WakeWaits& wakeWaits, QObject* parent)
    : QObject(parent), m_platform(platform), m_state(state), m_actions(actions),
      m_wakeWaits(wakeWaits)
{
    m_cycleTimer = new QTimer(this);
    m_cycleTimer->setObjectName(QStringLiteral("TimPower"));
    m_cycleTimer->setInterval(20);
    m_cycleTimer->setSingleShot(true);
    connect(m_cycleTimer, &QTimer::timeout, this, &PowerOnCycle::onCycleTimer);
    m_store.setConnection(m_state.paths.databasePath, m_state.databaseState);
}

void PowerOnCycle::start()
{
    if (!m_running)
        m_cycleTimer->start();
}

void PowerOnCycle::onCycleTimer()
{
    m_cycleTimer->stop();
    if (m_running)
        return;
    m_state.cancelWakeWait = false;
    runPowerOnCycle();
}

poweron::Choice PowerOnCycle::searchNow()
{
    ++m_cycles;
    // A table that cannot be read gives no rows and arms nothing; nothing of
    // it is held during the wait.
    return poweron::search(m_store.rowsOf(queries::kPowerOn), m_searchedAt = m_platform.now());
}

void PowerOnCycle::runPowerOnCycle()
{
    m_running = true;
    const auto done = qScopeGuard([this] { m_running = false; });
    // A loop rather than a fresh call per wake: a long run must not grow.
    for (;;) {
        const poweron::Choice next = searchNow();
        if (!poweron::shouldArm(next.seconds))
            return;
        const WaitEnd end =
            m_wakeWaits.waitForWakeOrCancel(daynum::realSecondsUntil(m_searchedAt, next.seconds));
        if (end == WaitEnd::Failed) {
            // Searching again would fail the same way at once, in a tight loop.
            emit problem(QStringLiteral("The computer cannot be woken for the Power On task: %1")
                             .arg(m_wakeWaits.lastError()));
            return;
        }
        if (end == WaitEnd::Interrupted)
            return;
        if (!m_state.cancelWakeWait) {
            if (next.showMessage) {
                m_state.remindText = next.text;
                if (m_showModal)
                    m_showModal();
            } else if (!next.text.isEmpty()) {
                m_actions.shellOpen(next.text);
            }
        }
        if (m_state.exitRequested)
            return;
        m_state.cancelWakeWait = false;
        if (m_refill)
            m_refill();
    }
}

} // namespace zelkor
