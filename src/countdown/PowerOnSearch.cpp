#include "countdown/PowerOnSearch.h"

#include "common/DayNumber.h"

namespace zelkor::poweron {

namespace {
class Search {
public:
    explicit Search(const QDateTime& now) : m_now(now), m_nowValue(daynum::fromDateTime(now)) {}

    void consider(const TaskRow& row)
    {
        const auto type = row.typeValue();
        const auto start = row.startValue();
        if (!type || !start)
            return;
        const QTime time = daynum::timePart(*start);
        switch (TaskType(*type)) {
        case TaskType::Once:
            once(row, daynum::secondsBetween(m_nowValue, *start));
            break;
        case TaskType::Daily:
            daily(row, toTime(time));
            break;
        case TaskType::Monthly:
            if (const auto day = row.dayValue())
                monthly(row, daynum::datePart(*day).day(), time);
            break;
        case TaskType::Weekly:
            weekly(row, time);
            break;
        default:
            break;
        }
    }

    Choice result() const { return m_choice; }

private:
    // From the current time of day to `time`, negative when it is past.
    qint64 toTime(QTime time) const
    {
        const QTime nowTime = m_now.time();
        return QTime(nowTime.hour(), nowTime.minute(), nowTime.second()).secsTo(time);
    }
    // From now to `time` on the day `k` days ahead.
    qint64 toDay(int k, QTime time) const
    {
        return daynum::secondsBetween(
            m_nowValue, daynum::fromDateTime(daynum::join(m_now.date().addDays(k), time)));
    }

    void take(const TaskRow& row, qint64 seconds)
    {
        m_choice.seconds = seconds;
        m_choice.text = row.descriptionText();
        // A launch-or-message value that is no number leaves the choice as it was.
        if (const auto targetMode = TaskRow::integer(row.targetMode))
            m_choice.showMessage = *targetMode != 0;
    }

    void once(const TaskRow& row, qint64 c)
    {
        if (c > 0 && c < m_choice.seconds)
            take(row, c);
    }

    void daily(const TaskRow& row, qint64 c)
    {
        if (c > 0) {
            if (c < m_choice.seconds)
                take(row, c);
        } else if (c + 86400 < m_choice.seconds) {
            take(row, c + 86400); // the same time tomorrow
        }
    }

    void monthly(const TaskRow& row, int dayOfMonth, QTime time)
    {
        const qint64 today = toTime(time);
        if (m_now.date().day() == dayOfMonth && today > 0) {
            if (today < m_choice.seconds)
                take(row, today);
            return;
        }
        // Months without that day are skipped; two months always hold one.
        for (int k = 1; k <= 62; ++k) {
            if (m_now.date().addDays(k).day() != dayOfMonth)
                continue;
            const qint64 c = toDay(k, time);
            if (c < m_choice.seconds)
                take(row, c);
            return;
        }
    }

    void weekly(const TaskRow& row, QTime time)
    {
        const int weekday = daynum::weekdayOf(m_now.date());
        const qint64 today = toTime(time);
        if (row.weekdayFlag(weekday) && today > 0) {
            if (today < m_choice.seconds)
                take(row, today);
            return;
        }
        for (int k = 1; k <= 7; ++k) {
            const int w = weekday + k > 7 ? weekday + k - 7 : weekday + k;
            if (!row.weekdayFlag(w))
                continue;
            const qint64 c = toDay(k, time);
            if (c < m_choice.seconds) {
                take(row, c);
                return;
            }
        }
    }

    QDateTime m_now;
    double m_nowValue = 0.0;
    Choice m_choice;
};
} // namespace

Choice search(const QList<TaskRow>& rows, const QDateTime& now)
{
    Search search(now);
    for (const TaskRow& row : rows)
        search.consider(row);
    return search.result();
}

} // namespace zelkor::poweron
