#include "scheduler/NextTask.h"

#include "common/DayNumber.h"

#include <algorithm>
#include <optional>

namespace zelkor {

namespace {
constexpr int kHorizonDays = 32;

// Seconds since 1970 UTC, rounded down to the whole second.
qint64 wholeSeconds(const QDateTime& t)
{
    const qint64 ms = t.toMSecsSinceEpoch();
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

// The days on which a repeating task occurs.
class DayRule {
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

// The record's own occurrence: the first one after `floor` and earlier than
// `best`, or nothing.
std::optional<qint64> offerOf(const TaskRow& row, qint64 type, QDate today, qint64 floor,
                              qint64 best, daynum::MomentResolver& clock)
{
    const auto start = row.startValue();
    if (!start)
        return std::nullopt;
    if (type == qint64(TaskType::Once)) {
        const auto moment = clock.epochSeconds(daynum::datePart(*start), daynum::timePart(*start));
        if (moment && *moment > floor && *moment < best)
            return moment;
        return std::nullopt;
    }
    const auto rule = ruleOf(row, type);
    if (!rule)
        return std::nullopt;
    const QTime time = daynum::timePart(*start);
    const QDate lastDay = today.addDays(kHorizonDays);
    // Moments grow with the date, so the walk ends at the first one that is
    // after the floor, or as soon as one can no longer beat the best.
    for (QDate day = rule->firstFrom(today); day.isValid() && day <= lastDay;
         day = rule->firstFrom(day.addDays(1))) {
        const auto moment = clock.epochSeconds(day, time);
        if (!moment || *moment >= best)
            return std::nullopt;
        if (*moment > floor)
            return moment;
    }
    return std::nullopt;
}
} // namespace

Selection selectNext(const QList<TaskRow>& rows, const QDateTime& now, const FiredMoments& fired)
{
    Selection selection;
    const qint64 nowSeconds = wholeSeconds(now);
    const QDateTime current = QDateTime::fromSecsSinceEpoch(nowSeconds);
    const QDate today = current.date();
    daynum::MomentResolver clock;
    const qint64 horizon = clock.epochSeconds(today.addDays(kHorizonDays), current.time())
                               .value_or(nowSeconds + kHorizonDays * 86400LL);
    qint64 best = horizon;
    for (const TaskRow& row : rows) {
        const auto type = row.typeValue();
        if (!type || row.actionCode() == 7) // power-on tasks are armed elsewhere
            continue;
        qint64 floor = nowSeconds;
        if (const auto id = row.idValue(); id && fired.contains(*id))
            floor = std::max(floor, fired.value(*id));
        const auto moment = offerOf(row, *type, today, floor, best, clock);
        if (!moment)
            continue;
        best = *moment;
        selection.pollOn = true;
        selection.taskId = row.idValue().value_or(0);
        selection.nextAction = row.actionCode();
        selection.nextShowsMessage = row.showsMessage();
        selection.nextDescription = row.descriptionText();
    }
    if (selection.pollOn)
        selection.nextTime = QDateTime::fromSecsSinceEpoch(best);
    return selection;
}

bool isDue(const QDateTime& due, const QDateTime& now) { return wholeSeconds(now) >= wholeSeconds(due); }

} // namespace zelkor
