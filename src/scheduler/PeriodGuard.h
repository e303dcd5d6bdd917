#pragma once

#include "common/AppState.h"
#include "guard/Occurrences.h"
#include "platform/Platform.h"
#include "scheduler/ForbiddenPeriod.h"
#include "scheduler/SecondPoll.h"
#include "tasks/TaskStore.h"

#include <QObject>

#include <functional>

class QTimer;

namespace zelkor {

class ActionExecutor;
class WarningDesk;

// The daily forbidden period: loads the newest one and, while it is in force,
// shuts the computer down or hibernates it at every second inside it. Outside
// it, the check sleeps until the second the warning opens or the period acts.
class PeriodGuard : public QObject {
    Q_OBJECT
public:
    PeriodGuard(Platform& platform, AppState& state, ActionExecutor& actions,
                QObject* parent = nullptr);

    // Whether "Force applications to close." is checked, asked at each action.
    void setForcedSource(std::function<bool()> forced) { m_forced = std::move(forced); }

    void loadForbiddenPeriod();    // loads the period and switches the check
    void enforceForbiddenPeriod(); // the check's tick
    // The clock was set, the computer woke up or the warning's lead changed:
    // the check is aimed anew.
    void aimAnew();

    // The period's start is announced on the desk ahead of its second.
    void setWarningDesk(WarningDesk* desk);
    // Answers to a warning: this night's occurrence is skipped, or its
    // start moves kPostponeSeconds later.
    void cancelOccurrence(const QString& key);
    void postponeOccurrence(const QString& key);
    const PeriodHold& hold() const { return m_hold; }

    const ForbiddenPeriod& period() const { return m_period; }
    bool isChecking() const { return m_poll.isOn(); }
    QTimer* checkTimer() const { return m_poll.timer(); }

private:
    QString upcomingKey() const; // of the warning for m_upcoming
    // In the period without its warning having been shown.
    bool enteredUnwarned(const QDateTime& now);
    void considerWarning(const QDateTime& now); // the upcoming action's, as the desk decides
    void moveUpcoming(const QDateTime& now); // to the next start from now
    // The next second worth a check, from `now` outside the period.
    QDateTime nextLook(const QDateTime& now) const;

    Platform& m_platform;
    AppState& m_state;
    ActionExecutor& m_actions;
    std::function<bool()> m_forced = [] { return true; };
    ForbiddenPeriod m_period;
    SecondPoll m_poll;
    bool m_inTick = false;
    WarningDesk* m_desk = nullptr;
    PeriodHold m_hold;
    QDateTime m_upcoming; // the next action the desk was last shown
};

} // namespace zelkor
