#pragma once

#include "common/DayNumber.h"
#include "tasks/TaskRow.h"

#include <QDateTime>
#include <QHash>
#include <QList>

#include <map>
#include <optional>

namespace zelkor
{

// A task's last occurrence that fired in this run, or was cancelled ahead of
// its time, and when that was (seconds since 1970 UTC). No occurrence at or
// before it is offered again, so an occurrence fires once even when the clock
// is set back after it fired; only one that was still to come when the record
// was made, and is not the one recorded, comes: the task was changed since.
struct FiredMoment {
    qint64 moment = 0;
    qint64 recordedAt = 0;
};
struct FiredMoments {
    QHash<qint64, FiredMoment> byTask;

    void insert(qint64 taskId, FiredMoment fired) { byTask.insert(taskId, fired); }
    // Moves every record by `seconds`: under a new time zone, each keeps the
    // wall-clock second it had, so it is not run again when the new clock
    // shows that second.
    void shift(qint64 seconds);
    // When this run first weighed the task at a time the clock shows twice,
    // as it stands (`start`); `now` where it never did, or the task changed.
    qint64 firstWeighed(qint64 taskId, double start, qint64 now) const;

private:
    struct Weighed {
        qint64 at = 0;
        double start = 0;
    };
    // Kept by the searches that read the record, as they weigh the tasks.
    mutable QHash<qint64, Weighed> m_weighed;
};

// The occurrences of stored schedules (Once, Daily, Weekly, Monthly) as real
// moments, seconds since 1970 UTC, seen from one `now`. The selection pass and
// the power-on search both ask it, so both agree on when a task is due.
class OccurrenceFinder
{
public:
    explicit OccurrenceFinder(const QDateTime& now);

    qint64 nowSeconds() const { return m_now; } // `now` to its whole second
    QDate today() const { return m_today; }
    daynum::MomentResolver& clock() { return m_clock; }

    // The row's first occurrence that is still ahead and earlier than
    // `before`. An occurrence whose wall-clock moment was first shown at or
    // before the moment the task last fired has run already, even when the
    // clock was set back or shows that moment a second time; one whose first
    // showing has passed unfired comes at its second showing, unless this run
    // first weighed the task after the first, while the clock still showed
    // the first pass: then it has passed, as the user at the clock sees it
    // (it may have run in the run before, which a restart due then ended).
    // Nothing for other kinds and for rows whose fields cannot be read.
    std::optional<qint64> next(const TaskRow& row, const FiredMoments& fired, qint64 before);

private:
    std::optional<qint64> take(std::optional<daynum::Showings> shown, std::optional<FiredMoment> fired,
                               qint64 firstWeighedAt) const;

    qint64 m_now = 0;
    QDate m_today;
    daynum::MomentResolver m_clock;
};

// The earliest of the moments offered, with all that was offered for it, in
// the order offered: tasks due in the same second all run, none is lost.
template <typename Item> class Earliest
{
public:
    explicit Earliest(qint64 before) : m_moment(before) {}

    // What an offer must be earlier than: a tie with the earliest is taken too.
    qint64 bound() const { return m_items.isEmpty() ? m_moment : m_moment + 1; }
    void offer(qint64 moment, Item item)
    {
        if (moment < m_moment)
            m_items.clear();
        m_moment = moment;
        m_items.append(std::move(item));
    }
    bool isEmpty() const { return m_items.isEmpty(); }
    qint64 moment() const { return m_moment; }
    const QList<Item>& items() const { return m_items; }

private:
    qint64 m_moment = 0;
    QList<Item> m_items;
};

// The moments offered within `lead` seconds of the earliest of them, each
// with all that was offered for it in the order offered, earliest first.
template <typename Item> class EarliestWithin
{
public:
    EarliestWithin(qint64 before, qint64 lead) : m_before(before), m_lead(lead) {}

    // What an offer must be earlier than.
    qint64 bound() const { return m_moments.empty() ? m_before : m_moments.begin()->first + m_lead + 1; }
    void offer(qint64 moment, Item item)
    {
        m_moments[moment].append(std::move(item));
        // An earlier one narrows the window: what it leaves behind goes.
        m_moments.erase(m_moments.upper_bound(m_moments.begin()->first + m_lead), m_moments.end());
    }
    const std::map<qint64, QList<Item>>& moments() const { return m_moments; }

private:
    qint64 m_before = 0;
    qint64 m_lead = 0;
    std::map<qint64, QList<Item>> m_moments;
};

// Seconds since 1970 UTC, rounded down to the whole second.
qint64 wholeSeconds(const QDateTime& t);

// True when the occurrence at `due` has come at `now`, both compared in whole
// seconds.
bool isDue(const QDateTime& due, const QDateTime& now);

} // namespace zelkor
