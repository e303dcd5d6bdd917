#include "scheduler/PeriodGuard.h"

#include "actions/ActionExecutor.h"
#include "guard/WarningDesk.h"
#include "tasks/TaskQueries.h"
#include "tasks/TaskReader.h"

#include <QScopedValueRollback>
#include <QTimer>

namespace zelkor {

namespace {
Warning periodWarning(const ForbiddenPeriod& period, const QDateTime& moment)
{
    return {periodKey(moment, periodActionKind(period)), WarningSource::Period,
            periodActionKind(period), moment};
}
} // namespace

PeriodGuard::PeriodGuard(Platform& platform, AppState& state, ActionExecutor& actions,
                         QObject* parent)
    : QObject(parent), m_platform(platform), m_state(state), m_actions(actions),
      m_poll(QStringLiteral("TimNot"), this)
{
    connect(m_poll.timer(), &QTimer::timeout, this, &PeriodGuard::enforceForbiddenPeriod);
}

void PeriodGuard::loadForbiddenPeriod()
{
    // Only the newest period counts: the others are not read at all.
    TaskReader reader(m_state.paths.databasePath, m_state.databaseState);
    const std::optional<TaskRow> newest = reader.first(queries::kForbiddenNewestFirst);
    const auto period = periodInForce(newest ? QList<TaskRow>{*newest} : QList<TaskRow>());
    // A warning open for the period as it was (deleted, or changed) names
    // what is not coming.
    const QString warned = m_poll.isOn() && m_upcoming.isValid() ? upcomingKey() : QString();
    const auto retractUnlessStill = [&] {
        if (m_desk && !warned.isEmpty() && (!m_poll.isOn() || upcomingKey() != warned))
            m_desk->retract(warned);
    };
    if (!period) {
        m_poll.switchOff();
        retractUnlessStill();
        return;
    }
    m_period = *period;
    const QDateTime now = m_platform.now();
    m_upcoming = nextPeriodAction(m_period, m_hold, now);
    m_poll.switchOn(now, nextLook(now));
    retractUnlessStill();
}

void PeriodGuard::setWarningDesk(WarningDesk* desk)
{
    m_desk = desk;
    // A longer lead may open the warning before the second the check sleeps to.
    connect(desk, &WarningDesk::leadChanged, this, &PeriodGuard::aimAnew);
}

void PeriodGuard::aimAnew()
{
    if (!m_poll.isOn())
        return;
    const QDateTime now = m_platform.now();
    moveUpcoming(now);
    m_poll.rearm(now, nextLook(now));
}

void PeriodGuard::moveUpcoming(const QDateTime& now)
{
    // A warning still open for another start (the computer slept through
    // the period, the clock was set past it, or a new time zone moved it)
    // names what is not coming.
    m_upcoming = nextPeriodAction(m_period, m_hold, now);
    if (m_desk)
        m_desk->retractStartingWith(kPeriodWarningPrefix, upcomingKey());
}

QString PeriodGuard::upcomingKey() const
{
    return periodKey(m_upcoming, periodActionKind(m_period));
}

QDateTime PeriodGuard::nextLook(const QDateTime& now) const
{
    if (isInside(m_period, now.time()))
        return {}; // every second, as it acts at each (or is held off for now)
    const QDateTime opens = m_desk ? m_desk->opensAt(periodWarning(m_period, m_upcoming)) : QDateTime();
    return opens.isValid() && opens < m_upcoming ? opens : m_upcoming;
}

void PeriodGuard::enforceForbiddenPeriod()
{
    // A hibernation blocks here until the resume; ticks due meanwhile are not
    // replayed, and one that slips in through the event loop is skipped.
    if (!m_poll.isOn() || m_inTick || m_state.exitRequested) // Exit under way: nothing more acts
        return;
    QScopedValueRollback<bool> busy(m_inTick, true);
    const QDateTime now = m_platform.now();
    if (isInside(m_period, now.time()) && !holdsOff(m_hold, now)) {
        if (enteredUnwarned(now)) {
            // Made or changed to cover this second, started or woken in, the
            // clock or the zone moved into it: nobody could stop or save
            // anything yet. The action waits the warning's lead and is warned
            // of now, as a stored task's is.
            m_hold.postponedTo = now.addSecs(m_desk->leadSeconds());
            moveUpcoming(now);
            considerWarning(now);
            m_poll.rearm(m_platform.now());
            return;
        }
        if (m_desk && m_upcoming.isValid())
            m_desk->retract(upcomingKey());
        m_actions.performAction(periodActionKind(m_period), m_forced());
        m_poll.rearm(m_platform.now());
        return;
    }
    moveUpcoming(now);
    considerWarning(now);
    m_poll.rearm(m_platform.now(), nextLook(m_platform.now()));
}

void PeriodGuard::considerWarning(const QDateTime& now)
{
    if (!m_desk)
        return;
    Warning warning = periodWarning(m_period, m_upcoming);
    warning.forced = m_forced();
    m_desk->consider(warning, now);
}

bool PeriodGuard::enteredUnwarned(const QDateTime& now)
{
    if (!m_desk || m_desk->leadSeconds() <= 0 || !isWarnedAction(periodActionKind(m_period)))
        return false;
    // The occurrence acting now is the one the desk was last shown, if its
    // warning was announced; a later one means the start came unseen.
    return !m_upcoming.isValid() || m_upcoming > now ||
           m_desk->unseenAtAct(periodWarning(m_period, m_upcoming));
}

void PeriodGuard::cancelOccurrence(const QString& key)
{
    if (!m_upcoming.isValid() || upcomingKey() != key)
        return;
    m_hold.skipUntil = periodOccurrenceEnd(m_period, m_upcoming);
    m_hold.postponedTo = {};
}

void PeriodGuard::postponeOccurrence(const QString& key)
{
    if (!m_upcoming.isValid() || upcomingKey() != key)
        return;
    m_hold.postponedTo = m_upcoming.addSecs(kPostponeSeconds);
}

} // namespace zelkor
