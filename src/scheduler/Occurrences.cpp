#include "scheduler/Occurrences.h"

namespace zelkor
{

namespace
{
// The days on which a repeating task occurs.
class DayRule
{
public:
    static DayRule daily() { return DayRule(Kind::Daily); }
    static DayRule weekly(const TaskRow& row)
    {
        DayRule rule(Kind::Weekly);
        for (int w = 1; w <= 7; ++w)
            if (row.weekdayFlag(w))
                rule.m_weekdays |= 1u << (w - 1);
        return rule;
    }
    static DayRule monthly(int dayOfMonth)
    {
        DayRule rule(Kind::Monthly);
        rule.m_dayOfMonth = dayOfMonth;
        return rule;
    }

    // The first day on or after `from` on which the task occurs; invalid when
    // it never does (a weekly task without a weekday).
    QDate firstFrom(QDate from) const
    {
        switch (m_kind) {
        case Kind::Daily:
            return from;
        case Kind::Weekly: {
            const int w = daynum::weekdayOf(from);
            for (int k = 0; k < 7; ++k)
                if (m_weekdays & (1u << ((w - 1 + k) % 7)))
                    return from.addDays(k);
            return {};
        }
        case Kind::Monthly: {
            // A day that a month lacks (29, 30, 31) is met in the next month
            // that has it; every day of the month occurs within a year.
            int year = from.year();
            int month = from.month();
            if (m_dayOfMonth >= from.day() && QDate::isValid(year, month, m_dayOfMonth))
                return QDate(year, month, m_dayOfMonth);
            for (int i = 0; i < 12; ++i) {
                if (++month > 12) {
                    month = 1;
                    ++year;
                }
                if (QDate::isValid(year, month, m_dayOfMonth))
                    return QDate(year, month, m_dayOfMonth);
            }
            return {};
        }
        }
        return {};
    }

private:
    enum class Kind { Daily, Weekly, Monthly };
    explicit DayRule(Kind kind) : m_kind(kind) {}

    Kind m_kind = Kind::Daily;
    unsigned m_weekdays = 0; // bit w-1 for weekday w
    int m_dayOfMonth = 0;
};

std::optional<DayRule> ruleOf(const TaskRow& row, qint64 type)
{
    switch (static_cast<TaskType>(type)) {
    case TaskType::Daily:
        return DayRule::daily();
    case TaskType::Weekly:
        return DayRule::weekly(row);
    case TaskType::Monthly: {
        const auto day = row.dayValue();
        if (!day)
            return std::nullopt;
        const QDate date = daynum::datePart(*day);
        if (!date.isValid())
            return std::nullopt;
        return DayRule::monthly(date.day());
    }
    default:
        return std::nullopt;
    }
}
} // namespace

qint64 wholeSeconds(const QDateTime& t)
{
    const qint64 ms = t.toMSecsSinceEpoch();
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

bool isDue(const QDateTime& due, const QDateTime& now)
{
    return wholeSeconds(now) >= wholeSeconds(due);
}

OccurrenceFinder::OccurrenceFinder(const QDateTime& now)
    : m_now(wholeSeconds(now)), m_today(QDateTime::fromSecsSinceEpoch(m_now).date())
{
}

qint64 FiredMoments::firstWeighed(qint64 taskId, double start, qint64 now) const
{
    auto it = m_weighed.find(taskId);
    if (it == m_weighed.end() || it->start != start)
        it = m_weighed.insert(taskId, {now, start});
    return it->at;
}

void FiredMoments::shift(qint64 seconds)
{
    for (FiredMoment& fired : byTask) {
        fired.moment += seconds;
        fired.recordedAt += seconds;
    }
    for (Weighed& weighed : m_weighed)
        weighed.at += seconds;
}

std::optional<qint64> OccurrenceFinder::take(std::optional<daynum::Showings> shown,
                                             std::optional<FiredMoment> fired, qint64 firstWeighedAt) const
{
    if (!shown)
        return std::nullopt;
    if (fired && shown->first <= fired->moment) {
        const bool recorded = shown->first <= fired->recordedAt || shown->first == fired->moment ||
                              shown->second == fired->moment;
        if (recorded)
            return std::nullopt;
    }
    if (!fired && firstWeighedAt >= shown->first && firstWeighedAt < shown->second &&
        QDateTime::fromSecsSinceEpoch(firstWeighedAt).offsetFromUtc() ==
            QDateTime::fromSecsSinceEpoch(shown->first).offsetFromUtc())
        return std::nullopt;
    const qint64 moment = shown->after(m_now);
    return moment > m_now ? std::optional<qint64>(moment) : std::nullopt;
}

std::optional<qint64> OccurrenceFinder::next(const TaskRow& row, const FiredMoments& firedMoments,
                                             qint64 before)
{
    std::optional<FiredMoment> fired;
    if (const auto id = row.idValue(); id && firedMoments.byTask.contains(*id))
        fired = firedMoments.byTask.value(*id);
    const auto type = row.typeValue();
    const auto start = row.startValue();
    if (!type || !start)
        return std::nullopt;
    const QTime time = daynum::timePart(*start);
    // Asked only of a time the clock shows twice: a rare record, never one per task.
    const auto weighedAt = [&](const std::optional<daynum::Showings>& shown) {
        if (!shown || shown->second == shown->first || fired || !row.idValue())
            return m_now;
        return firedMoments.firstWeighed(*row.idValue(), *start, m_now);
    };
    if (*type == qint64(TaskType::Once)) {
        const auto shown = m_clock.showings(daynum::datePart(*start), time);
        const auto moment = take(shown, fired, weighedAt(shown));
        return moment && *moment < before ? moment : std::nullopt;
    }
    const auto rule = ruleOf(row, *type);
    if (!rule)
        return std::nullopt;
    // Moments grow with the date, so the walk ends at the first one that is
    // still to come, or as soon as one can no longer be earlier than `before`.
    for (QDate day = rule->firstFrom(m_today); day.isValid();
         day = rule->firstFrom(day.addDays(1))) {
        const auto shown = m_clock.showings(day, time);
        if (!shown || shown->first >= before)
            return std::nullopt;
        if (const auto moment = take(shown, fired, weighedAt(shown)))
            return *moment < before ? moment : std::nullopt;
    }
    return std::nullopt;
}

} // namespace zelkor
