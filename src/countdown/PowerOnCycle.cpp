#include "countdown/PowerOnCycle.h"

#include "actions/ActionExecutor.h"
#include "countdown/WakeWaits.h"
#include "tasks/TaskQueries.h"
#include "tasks/TaskReader.h"

#include <QPointer>
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
    // While a task's target opens or its message shows, the search that
    // follows takes the change up.
    if (!m_following)
        m_cycleTimer->start();
}

void PowerOnCycle::stop()
{
    m_cycleTimer->stop();
    m_wakeWaits.cancelWait(std::exchange(m_wait, 0));
}

void PowerOnCycle::onCycleTimer()
{
    m_cycleTimer->stop();
    if (m_following)
        return;
    m_wakeWaits.cancelWait(std::exchange(m_wait, 0));
    armNext();
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

void PowerOnCycle::armNext()
{
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
    m_wait = m_wakeWaits.startWaitUntil(next.due,
                                        [cycle = QPointer(this), next](quint64 id, WaitEnd end) {
                                            if (cycle && id == cycle->m_wait)
                                                cycle->waitEnded(next, end);
                                        });
    if (m_wait == 0)
        waitEnded(next, WaitEnd::Failed);
}

void PowerOnCycle::waitEnded(const poweron::Choice& occurrence, WaitEnd end)
{
    m_wait = 0;
    if (end == WaitEnd::Failed) {
        // Searching again would fail the same way at once, in a tight loop.
        emit problem(QStringLiteral("The computer cannot be woken for the Power On task: %1")
                         .arg(m_wakeWaits.lastError()));
        return;
    }
    {
        m_following = true;
        const auto done = qScopeGuard([this] { m_following = false; });
        followUp(occurrence);
    }
    if (m_state.exitRequested)
        return;
    if (m_refill)
        m_refill();
    armNext();
}

void PowerOnCycle::followUp(const poweron::Choice& occurrence)
{
    // Remembered before acting: a message stays open while the program runs on.
    const qint64 now = wholeSeconds(m_platform.now());
    for (const poweron::FollowUp& task : occurrence.followUps)
        m_fired.insert(task.taskId, {occurrence.due.toSecsSinceEpoch(), now});
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

} // namespace zelkor
