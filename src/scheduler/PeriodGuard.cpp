#include "scheduler/PeriodGuard.h"

#include "actions/ActionExecutor.h"
#include "tasks/TaskQueries.h"

#include <QScopedValueRollback>
#include <QTimer>

namespace zelkor {

PeriodGuard::PeriodGuard(Platform& platform, AppState& state, ActionExecutor& actions,
                         QObject* parent)
    : QObject(parent), m_platform(platform), m_state(state), m_actions(actions),
      m_poll(QStringLiteral("TimNot"), this)
{
    connect(m_poll.timer(), &QTimer::timeout, this, &PeriodGuard::enforceForbiddenPeriod);
}

void PeriodGuard::loadForbiddenPeriod()
{
    m_store.setConnection(m_state.paths.databasePath, m_state.databaseState);
    const auto period = periodInForce(m_store.rowsOf(queries::kForbiddenNewestFirst));
    if (!period) {
        m_poll.switchOff();
        return;
    }
    m_period = *period;
    m_poll.switchOn(m_platform.now());
}

void PeriodGuard::enforceForbiddenPeriod()
{
    // A hibernation blocks here until the resume; ticks due meanwhile are not
    // replayed, and one that slips in through the event loop is skipped.
    if (!m_poll.isOn() || m_inTick)
        return;
    QScopedValueRollback<bool> busy(m_inTick, true);
    if (isInside(m_period, m_platform.now().time()))
        m_actions.performAction(periodActionKind(m_period), m_forced());
    m_poll.rearm(m_platform.now());
}

} // namespace zelkor
