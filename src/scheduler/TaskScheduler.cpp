#include "scheduler/TaskScheduler.h"

#include "actions/ActionExecutor.h"
#include "common/ActionKind.h"
#include "guard/WarningDesk.h"
#include "tasks/TaskQueries.h"

#include <QScopedValueRollback>
#include <QTimer>

namespace zelkor {

namespace {
Warning warningFor(const Selection& occurrence)
{
    return {occurrenceKey(occurrence), WarningSource::Task, warnedAction(occurrence), occurrence.nextTime};
}
} // namespace

TaskScheduler::TaskScheduler(Platform& platform, AppState& state, ActionExecutor& actions,
                             QObject* parent)
    : QObject(parent), m_platform(platform), m_state(state), m_actions(actions),
      m_poll(QStringLiteral("TimEvery"), this)
{
    connect(m_poll.timer(), &QTimer::timeout, this, &TaskScheduler::fireDueTask);
    m_horizonTimer = new QTimer(this);
    m_horizonTimer->setObjectName(QStringLiteral("TimHorizon"));
    m_horizonTimer->setSingleShot(true);
    m_horizonTimer->setInterval(24 * 3600 * 1000);
    connect(m_horizonTimer, &QTimer::timeout, this, &TaskScheduler::selectNextTask);
}

void TaskScheduler::selectNextTask()
{
    // A table that cannot be read offers nothing, and the poll goes off. The
    // rows are weighed as they are read: none is kept.
    const QDateTime now = m_platform.now();
    const int lead = m_desk ? m_desk->leadSeconds() : 0;
    const QDateTime since = std::exchange(m_missedSince, {});
    NextTaskPass pass(now, m_fired, lead, since);
    const bool keepMoved = !m_moved.isEmpty();
    QHash<qint64, DueTask> current;
    bool anyTask = false;
    m_reader.setDatabase(m_state.paths.databasePath, m_state.databaseState);
    m_reader.forEach(
        queries::kSchedulableNewestFirst,
        [&](const TaskRow& row) {
            anyTask = true;
            pass.offer(row);
            if (keepMoved)
                current.insert(row.idValue().value_or(0), dueTaskOf(row));
        },
        TaskReader::AllFields & ~(TaskReader::StopTime | TaskReader::State));
    if (keepMoved)
        m_moved.keepOnly(current);
    const Selection next = m_moved.earlierOf(pass.result());
    QList<Selection> ahead = m_moved.withMoved(pass.warnedAhead(), lead);
    // A warning open for what is no longer coming (a task changed or deleted
    // meanwhile) would name an action that is not coming.
    if (m_desk && m_poll.isOn()) {
        QStringList keys{occurrenceKey(next)};
        for (const Selection& occurrence : std::as_const(ahead))
            keys << occurrenceKey(occurrence);
        for (const Selection* old : watched())
            if (!keys.contains(occurrenceKey(*old)))
                m_desk->retract(occurrenceKey(*old));
    }
    m_warnedAhead = std::move(ahead);
    if (!next.pollOn) {
        m_poll.switchOff();
        // Nothing at all to wait for: no timer either.
        anyTask ? m_horizonTimer->start() : m_horizonTimer->stop();
        return;
    }
    m_horizonTimer->stop();
    m_selection = next;
    m_selectionSince = since;
    m_poll.switchOn(now, nextLook());
}

QList<const Selection*> TaskScheduler::watched() const
{
    QList<const Selection*> occurrences;
    if (m_selection.pollOn)
        occurrences << &m_selection;
    for (const Selection& occurrence : m_warnedAhead)
        occurrences << &occurrence;
    return occurrences;
}

const Selection* TaskScheduler::warnedOccurrence(const QString& key) const
{
    if (!m_poll.isOn())
        return nullptr; // it acted already
    for (const Selection* occurrence : watched())
        if (occurrenceKey(*occurrence) == key)
            return occurrence;
    return nullptr; // or the tasks changed meanwhile
}

void TaskScheduler::setWarningDesk(WarningDesk* desk)
{
    m_desk = desk;
    // Another lead takes other occurrences ahead, whose warnings may open
    // before the second the poll sleeps to. Before the first pass (the
    // settings are read at start) there is nothing to take.
    connect(desk, &WarningDesk::leadChanged, this, [this] {
        if (m_poll.isOn())
            selectNextTask();
    });
}

void TaskScheduler::aimPoll()
{
    m_poll.rearm(m_platform.now(), nextLook());
}

QDateTime TaskScheduler::nextLook() const
{
    QDateTime look = m_selection.nextTime;
    if (m_desk)
        for (const Selection* occurrence : watched())
            if (const QDateTime opens = m_desk->opensAt(warningFor(*occurrence));
                opens.isValid() && opens < look)
                look = opens;
    return look;
}

void TaskScheduler::onClockSet()
{
    if (!checkClock())
        aimPoll();
}

bool TaskScheduler::checkClock()
{
    if (!m_clockWatch.stepped(m_platform.now(), m_platform.tickCount()))
        return false;
    if (const int shift = m_clockWatch.zoneShiftSeconds()) {
        // A new time zone: what ran keeps its wall-clock second, and the open
        // warnings, named by the moments of the old zone, go; those still
        // ahead are given anew below.
        m_fired.shift(-shift);
        if (m_desk)
            m_desk->retractStartingWith(kTaskWarningPrefix);
        emit zoneShifted(shift);
    }
    // What the poll waits for was chosen on the old time: ahead of the new
    // one it may come too soon or never, and behind it, it must not fire
    // early. The fired moments keep anything from firing twice.
    selectNextTask();
    emit clockStepped();
    return true;
}

void TaskScheduler::fireDueTask()
{
    // Only one tick at a time: a reminder or a hibernation may run the event
    // loop while this one is still at work.
    if (!m_poll.isOn() || m_inTick || m_state.exitRequested) // Exit under way: nothing more acts
        return;
    QScopedValueRollback<bool> busy(m_inTick, true);
    if (checkClock())
        return;
    if (!isDue(m_selection.nextTime, m_platform.now())) {
        // A warning opens (this is not the occurrence's own second, come a
        // moment early): it names what the file holds now, which another
        // program may have changed since the pass.
        if (m_platform.now().msecsTo(m_selection.nextTime) >= 1000)
            selectNextTask();
        if (m_poll.isOn()) {
            considerWarnings();
            aimPoll();
        }
        return;
    }
    const Selection chosen = m_selection;
    Selection occurrence = chosen;
    occurrence.due = stillDue(chosen);
    // Remembered before acting: a pass that runs while an action is under
    // way, or after the clock was set back, must not offer them again.
    markFired(chosen);
    if (m_desk)
        m_desk->retract(occurrenceKey(chosen));
    if (occurrence.due.isEmpty()) {
        m_poll.switchOff();
        m_missedSince = chosen.nextTime;
        selectNextTask();
        return;
    }
    // Nobody can have seen its warning (the computer slept through it or
    // since, or the clock was set past it): nobody could stop it. Its power
    // actions move on by the warning's lead and are warned of at once, as a
    // postponed one is.
    const bool unwarned = m_desk && m_desk->unseenAtAct(warningFor(occurrence));
    if (unwarned)
        m_moved.move(warnedPart(occurrence),
                     QDateTime::fromSecsSinceEpoch(wholeSeconds(m_platform.now()) + m_desk->leadSeconds()));
    // Every task due in this second runs, the newest first.
    for (const DueTask& task : occurrence.due)
        if (!unwarned || !isWarnedAction(task.action))
            fire(task);
    m_poll.switchOff();
    // The next pass looks back to this moment: when the computer slept
    // before it or during the action (its own hibernation), the moments that
    // passed meanwhile are due at once.
    m_missedSince = chosen.nextTime;
    selectNextTask();
    if (unwarned)
        considerWarnings(); // in this second, not the next
}

void TaskScheduler::considerWarnings()
{
    if (!m_desk)
        return;
    for (const Selection* occurrence : watched()) {
        Warning warning = warningFor(*occurrence);
        warning.forced = m_forced();
        m_desk->consider(warning, m_platform.now());
    }
}

QList<DueTask> TaskScheduler::stillDue(const Selection& occurrence)
{
    // The table may have changed since the pass (another program, a copy put
    // back): each task acts as the table holds it now, or not at all when it
    // is gone or no longer due at this moment.
    QList<DueTask> due;
    const qint64 moment = occurrence.nextTime.toSecsSinceEpoch();
    // Tasks the computer slept through are due at it too.
    OccurrenceFinder finder(m_selectionSince.isValid() && m_selectionSince < occurrence.nextTime
                                ? m_selectionSince
                                : occurrence.nextTime.addSecs(-1));
    for (const DueTask& task : occurrence.due) {
        const std::optional<TaskRow> row = m_reader.first(queries::byId(task.taskId));
        if (!row)
            continue;
        if (m_moved.holds(task.taskId, occurrence.nextTime)) {
            if (dueTaskOf(*row) == task) // a postponed copy acts as it was warned of
                due << task;
        } else if (finder.next(*row, m_fired, moment + 1)) {
            due << dueTaskOf(*row);
        }
    }
    return due;
}

void TaskScheduler::markFired(const Selection& occurrence)
{
    const qint64 now = wholeSeconds(m_platform.now());
    for (const DueTask& task : occurrence.due)
        m_fired.insert(task.taskId, {occurrence.nextTime.toSecsSinceEpoch(), now});
    m_moved.dropFired(occurrence);
}

void TaskScheduler::cancelOccurrence(const QString& key)
{
    const Selection* occurrence = warnedOccurrence(key);
    if (!occurrence)
        return;
    markFired(warnedPart(*occurrence));
    selectNextTask();
}

void TaskScheduler::postponeOccurrence(const QString& key)
{
    const Selection* warned = warnedOccurrence(key);
    if (!warned)
        return;
    const Selection occurrence = warnedPart(*warned);
    markFired(occurrence);
    m_moved.move(occurrence, occurrence.nextTime.addSecs(kPostponeSeconds));
    selectNextTask();
}

void TaskScheduler::fire(const DueTask& task)
{
    m_actions.enableShutdownPrivilege();
    const bool forced = m_forced(); // the box as it is now, not when the task was made
    const int action = task.action;
    emit taskFired(task.taskId, action);
    // Each firing is news of its own: a Daily task refused every day is told every day.
    if (action >= int(ActionKind::ShutDown) && action <= int(ActionKind::PowerOn))
        m_actions.performRequested(action, forced);
    else if (action == int(ActionKind::EventsRemind))
        m_actions.performRequested(task.showsMessage ? int(ActionKind::EventsRemind)
                                                  : int(ActionKind::OpenTarget),
                                forced, task.description);
    // Any other code does nothing; the poll moves on all the same.
}

} // namespace zelkor
