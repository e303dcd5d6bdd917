#include "scheduler/NextTask.h"

#include "common/ActionKind.h"

namespace zelkor {

namespace {
constexpr int kHorizonDays = 32;
} // namespace

Selection selectNext(const QList<TaskRow>& rows, const QDateTime& now, const FiredMoments& fired)
{
    NextTaskPass pass(now, fired);
    for (const TaskRow& row : rows)
        pass.offer(row);
    return pass.result();
}

namespace {
// Nothing at or beyond 32 days ahead is chosen.
qint64 horizonOf(OccurrenceFinder& finder)
{
    const QDateTime current = QDateTime::fromSecsSinceEpoch(finder.nowSeconds());
    return finder.clock()
        .epochSeconds(finder.today().addDays(kHorizonDays), current.time())
        .value_or(finder.nowSeconds() + kHorizonDays * 86400LL);
}
} // namespace

NextTaskPass::NextTaskPass(const QDateTime& now, const FiredMoments& fired, int leadSeconds,
                           const QDateTime& missedSince)
    : m_fired(fired), m_now(wholeSeconds(now)),
      m_finder(missedSince.isValid() && missedSince < now ? missedSince : now),
      m_earliest(horizonOf(m_finder)), m_warned(m_earliest.bound(), qMax(leadSeconds, 0))
{
}

void NextTaskPass::offer(const TaskRow& row)
{
    if (row.actionCode() == 7) // power-on tasks are armed elsewhere
        return;
    // Missed ones are due now.
    const auto upToNow = [this](std::optional<qint64> moment) {
        return moment ? std::optional<qint64>(std::max(*moment, m_now)) : std::nullopt;
    };
    if (!isWarnedAction(row.actionCode())) {
        if (const auto moment = upToNow(m_finder.next(row, m_fired, m_earliest.bound())))
            m_earliest.offer(*moment, dueTaskOf(row));
        return;
    }
    if (const auto moment = upToNow(m_finder.next(row, m_fired, m_warned.bound()))) {
        m_warned.offer(*moment, dueTaskOf(row));
        if (*moment < m_earliest.bound())
            m_earliest.offer(*moment, dueTaskOf(row));
    }
}

DueTask dueTaskOf(const TaskRow& row)
{
    return {row.idValue().value_or(0), row.actionCode(), row.showsMessage(), row.descriptionText()};
}

Selection NextTaskPass::result() const
{
    Selection selection;
    selection.pollOn = !m_earliest.isEmpty();
    selection.due = m_earliest.items();
    if (selection.pollOn)
        selection.nextTime = QDateTime::fromSecsSinceEpoch(m_earliest.moment());
    return selection;
}

QList<Selection> NextTaskPass::warnedAhead() const
{
    QList<Selection> ahead;
    for (const auto& [moment, due] : m_warned.moments())
        ahead.append({true, QDateTime::fromSecsSinceEpoch(moment), due});
    return ahead;
}

} // namespace zelkor
