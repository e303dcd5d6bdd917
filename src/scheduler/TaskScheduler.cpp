#include "scheduler/TaskScheduler.h"

#include "actions/ActionExecutor.h"
#include "common/ActionKind.h"
#include "guard/WarningDesk.h"
#include "tasks/TaskQueries.h"

#include <QScopedValueRollback>
#include <QTimer>

namespace zelkor {

TaskScheduler::TaskScheduler(Platform& platform, AppState& state, ActionExecutor& actions,
                             QObject* parent)
    : QObject(parent), m_platform(platform), m_state(state), m_actions(actions),
      m_poll(QStringLiteral("TimEvery"), this)
{
    connect(m_poll.timer(), &QTimer::timeout, this, &TaskScheduler::fireDueTask);
}

void TaskScheduler::selectNextTask()
{
    // A table that cannot be read offers nothing, and the poll goes off.
    m_store.setConnection(m_state.paths.databasePath, m_state.databaseState);
    const QList<TaskRow> rows = m_store.rowsOf(queries::kSchedulableNewestFirst);

    const QDateTime now = m_platform.now();
    QSet<qint64> ids;
    for (const TaskRow& row : rows)
        ids.insert(row.idValue().value_or(0));
    m_moved.keepOnly(ids);
    const Selection next = m_moved.earlierOf(selectNext(rows, now, m_fired));
    if (!next.pollOn) {
        m_poll.switchOff();
        return;
    }
    m_selection = next;
    m_poll.switchOn(now);
}

void TaskScheduler::fireDueTask()
{
    // Only one tick at a time: a reminder or a hibernation may run the event
    // loop while this one is still at work.
    if (!m_poll.isOn() || m_inTick)
        return;
    QScopedValueRollback<bool> busy(m_inTick, true);
    if (!isDue(m_selection.nextTime, m_platform.now())) {
        if (m_desk)
            m_desk->consider({occurrenceKey(m_selection), WarningSource::Task,
                              m_selection.nextAction, m_selection.nextTime},
                             m_platform.now());
        m_poll.rearm(m_platform.now());
        return;
    }
    const Selection occurrence = m_selection;
    // Remembered before acting: a pass that runs while the action is under
    // way, or after the clock was set back, must not offer it again.
    m_fired.insert(occurrence.taskId, occurrence.nextTime.toSecsSinceEpoch());
    m_moved.dropFired(occurrence);
    if (m_desk)
        m_desk->retract(occurrenceKey(occurrence));
    fire(occurrence);
    m_poll.switchOff();
    selectNextTask();
}

void TaskScheduler::cancelOccurrence(const QString& key)
{
    if (!m_poll.isOn() || occurrenceKey(m_selection) != key)
        return; // it acted already, or the tasks changed meanwhile
    m_fired.insert(m_selection.taskId, m_selection.nextTime.toSecsSinceEpoch());
    m_moved.dropFired(m_selection);
    selectNextTask();
}

void TaskScheduler::postponeOccurrence(const QString& key)
{
    if (!m_poll.isOn() || occurrenceKey(m_selection) != key)
        return;
    const Selection occurrence = m_selection;
    m_fired.insert(occurrence.taskId, occurrence.nextTime.toSecsSinceEpoch());
    m_moved.dropFired(occurrence);
    m_moved.move(occurrence, occurrence.nextTime.addSecs(kPostponeSeconds));
    selectNextTask();
}

void TaskScheduler::fire(const Selection& occurrence)
{
    m_actions.enableShutdownPrivilege();
    const bool forced = m_forced(); // the box as it is now, not when the task was made
    const int action = occurrence.nextAction;
    emit taskFired(occurrence.taskId, action);
    if (action >= int(ActionKind::ShutDown) && action <= int(ActionKind::PowerOn))
        m_actions.performAction(action, forced);
    else if (action == int(ActionKind::EventsRemind))
        m_actions.performAction(occurrence.nextShowsMessage ? int(ActionKind::EventsRemind)
                                                            : int(ActionKind::OpenTarget),
                                forced, occurrence.nextDescription);
    // Any other code does nothing; the poll moves on all the same.
}

} // namespace zelkor
