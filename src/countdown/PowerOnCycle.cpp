#include "countdown/PowerOnCycle.h"


#include "actions/ActionExecutor.h"
#include "common/DayNumber.h"
#include "countdown/ModTimer.h"
#include "tasks/TaskQueries.h"

#include <QScopeGuard>
#include <QTimer>

namespace zelkor {

PowerOnCycle::PowerOnCycle(Platform& platform, AppState& state, ActionExecutor& actions,
                           ModTimer& modTimer, QObject* parent)
    : QObject(parent), m_platform(platform), m_state(state), m_actions(actions),
      m_modTimer(modTimer)
{
    TimPower = new QTimer(this);
    TimPower->setObjectName(QStringLiteral("TimPower"));
    TimPower->setInterval(20);
    TimPower->setSingleShot(true);
    connect(TimPower, &QTimer::timeout, this, &PowerOnCycle::TimPower_Timer);
    m_ado.setConnection(taskDatabasePath(m_state.programDir));
}

void PowerOnCycle::start()
{
    if (!m_running)
        TimPower->start();
}

void PowerOnCycle::TimPower_Timer()
{
    TimPower->stop();
    if (m_running)
        return;
    m_state.CancelWakeWait = false;
    dingShikaiji();
}

poweron::Choice PowerOnCycle::searchNow()
{
    ++m_cycles;
    // A table that cannot be read gives no rows and arms nothing; nothing of
    // it is held during the wait.
    return poweron::search(m_ado.rowsOf(queries::kPowerOn), m_searchedAt = m_platform.now());
}

void PowerOnCycle::dingShikaiji()
{
    m_running = true;
    const auto done = qScopeGuard([this] { m_running = false; });
    // A loop rather than a fresh call per wake: a long run must not grow.
    for (;;) {
        const poweron::Choice next = searchNow();
        if (!poweron::shouldArm(next.seconds))
            return;
        const WaitEnd end =
            m_modTimer.waitForWakeOrCancel(daynum::realSecondsUntil(m_searchedAt, next.seconds));
        if (end == WaitEnd::Failed) {
            // Searching again would fail the same way at once, in a tight loop.
            emit problem(QStringLiteral("The computer cannot be woken for the Power On task: %1")
                             .arg(m_modTimer.lastError()));
            return;
        }
        if (end == WaitEnd::Interrupted)
            return;
        if (!m_state.CancelWakeWait) {
            if (next.showMessage) {
                m_state.remindText = next.text;
                if (m_showModal)
                    m_showModal();
            } else if (!next.text.isEmpty()) {
                m_actions.ShellOpen(next.text);
            }
        }
        if (m_state.ExitRequested)
            return;
        m_state.CancelWakeWait = false;
        if (m_refill)
            m_refill();
    }
}

} // namespace zelkor
