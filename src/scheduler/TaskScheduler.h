#pragma once

#include "common/AppState.h"
#include "guard/Occurrences.h"
#include "platform/Platform.h"
#include "scheduler/ClockWatch.h"
#include "scheduler/NextTask.h"
#include "scheduler/SecondPoll.h"
#include "tasks/TaskStore.h"
#include "tasks/TaskReader.h"

#include <QObject>

#include <functional>

class QTimer;

namespace zelkor {

class ActionExecutor;
class WarningDesk;

// Stored tasks, one occurrence at a time: the selection pass picks the next
// occurrence and switches the poll on; the poll fires it when its second has
// come, switches itself off and runs the pass again. Until then the poll
// sleeps through the seconds in which nothing can happen: it looks at the
// second the occurrence's warning opens and at its own.
class TaskScheduler : public QObject {
    Q_OBJECT
public:
    TaskScheduler(Platform& platform, AppState& state, ActionExecutor& actions,
                  QObject* parent = nullptr);

    // Whether "Force applications to close." is checked, asked at each firing.
    void setForcedSource(std::function<bool()> forced) { m_forced = std::move(forced); }

    void selectNextTask(); // the selection pass
    void fireDueTask();    // the poll's tick
    // Looks whether the wall clock was set since the last look; when it was,
    // the selection pass runs again for the new time. Every tick looks.
    bool checkClock();
    // The system says the clock was set or the computer woke up: after a
    // step the pass runs again; otherwise the poll is aimed anew, as its
    // timer counted none of the time asleep.
    void onClockSet();

    // Power actions are announced on the desk ahead of their second.
    void setWarningDesk(WarningDesk* desk);
    // Answers to a warning: the occurrence `key` names is skipped, or moved
    // kPostponeSeconds later; the task's other occurrences stay as they are.
    void cancelOccurrence(const QString& key);
    void postponeOccurrence(const QString& key);

    const Selection& selection() const { return m_selection; }
    bool isPolling() const { return m_poll.isOn(); }
    QTimer* pollTimer() const { return m_poll.timer(); }
    // With tasks only beyond the pass's horizon the poll is off; this one
    // runs the pass again a day later, so that they come into it.
    QTimer* horizonTimer() const { return m_horizonTimer; }

signals:
    // A stored task's moment came; sent before its action starts.
    void taskFired(qint64 taskId, int action);
    // The time zone changed, moving the wall clock by `seconds`; told before
    // clockStepped.
    void zoneShifted(int seconds);
    void clockStepped(); // the wall clock was set; the pass has run again

private:
    void fire(const DueTask& task);
    // The next second worth a tick: the warning's first or the occurrence's.
    QDateTime nextLook() const;
    void aimPoll(); // at nextLook(), if the poll is on
    // The occurrence a warning's key names, while it is still to come.
    const Selection* warnedOccurrence(const QString& key) const;
    // The occurrences a warning may be open for: the next and those ahead.
    QList<const Selection*> watched() const;
    // Hands the occurrences watched to the desk, which warns of those due to.
    void considerWarnings();
    // The occurrence's tasks as the table holds them now, those still due at
    // its moment.
    QList<DueTask> stillDue(const Selection& occurrence);
    // Every task of the occurrence counts as done for that moment.
    void markFired(const Selection& occurrence);

    Platform& m_platform;
    AppState& m_state;
    ActionExecutor& m_actions;
    std::function<bool()> m_forced = [] { return true; };
    TaskReader m_reader; // kept ready between passes
    Selection m_selection;
    // The pass after a firing looks back to the moment that fired: what else
    // fell in the time since (the computer slept) is due at once.
    QDateTime m_missedSince;
    QDateTime m_selectionSince; // the look-back of the pass that chose m_selection
    // The next occurrences with a power action, warned of a full lead ahead:
    // the first and every other within the lead of it.
    QList<Selection> m_warnedAhead;
    FiredMoments m_fired;
    SecondPoll m_poll;
    QTimer* m_horizonTimer = nullptr;
    ClockWatch m_clockWatch;
    bool m_inTick = false;
    WarningDesk* m_desk = nullptr;
    MovedOccurrences m_moved;
};

} // namespace zelkor
