#include "countdown/PowerOnCycle.h"

#include "actions/ActionExecutor.h"
#include "countdown/WakeWaits.h"
#include "tasks/TaskQueries.h"
#include "tasks/TaskReader.h"

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
    // it is held during the wait, and the rows are weighed as they are read.
    TaskReader reader(m_state.paths.databasePath, m_state.databaseState);
    return poweron::search(
        [&reader](const poweron::RowVisitor& visit) { reader.forEach(queries::kPowerOn, visit); }, m_platform.now(),
        m_fired);
}

WaitEnd PowerOnCycle::waitUntil(const QDateTime& due)
{
    // Whole seconds, rounded up: never before the moment.
    const qint64 left = (m_platform.now().msecsTo(due) + 999) / 1000;
    return m_wakeWaits.waitForWakeOrCancel(qMax<qint64>(left, 0));
}

void PowerOnCycle::followUp(const poweron::Choice& occurrence)
{
    // Remembered before acting: a message stays open while the program runs on.
    for (const poweron::FollowUp& task : occurrence.followUps)
        m_fired.insert(task.taskId, occurrence.due.toSecsSinceEpoch());
    for (const poweron::FollowUp& task : occurrence.followUps) {
        if (task.showMessage) {
            m_state.remindText = task.text;
            if (m_showModal)
                m_showModal();
        } else if (!task.text.isEmpty()) {
            m_actions.shellOpen(task.text);
        }
    }
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
        // The wait still opens the task's target on time, if the computer is on.
        if (const WakeTimer& timer = m_wakeWaits.timer(); !timer.canWake() && !m_toldNoWake) {
            m_toldNoWake = true;
            emit problem(QStringLiteral("Power On tasks will not wake this computer from stand-by "
                                        "or hibernation, because %1.")
                             .arg(timer.whyNoWake()));
        }
        const WaitEnd end = waitUntil(next.due);
        if (end == WaitEnd::Failed) {
            // Searching again would fail the same way at once, in a tight loop.
            emit problem(QStringLiteral("The computer cannot be woken for the Power On task: %1")
                             .arg(m_wakeWaits.lastError()));
            return;
        }
        if (end == WaitEnd::Interrupted)
            return;
        if (!m_state.cancelWakeWait)
            followUp(next);
        if (m_state.exitRequested)
            return;
        m_state.cancelWakeWait = false;
        if (m_refill)
            m_refill();
    }
}

} // namespace zelkor
