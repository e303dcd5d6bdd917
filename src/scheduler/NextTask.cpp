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

NextTaskPass::NextTaskPass(const QDateTime& now, FiredMoments fired)
    : m_fired(std::move(fired)), m_finder(now), m_earliest(horizonOf(m_finder)),
      m_earliestWarned(m_earliest.bound())
{
}

void NextTaskPass::offer(const TaskRow& row)
{
    if (row.actionCode() == 7) // power-on tasks are armed elsewhere
        return;
    if (!isWarnedAction(row.actionCode())) {
        if (const auto moment = m_finder.next(row, m_fired, m_earliest.bound()))
            m_earliest.offer(*moment, dueTaskOf(row));
        return;
    }
    if (const auto moment = m_finder.next(row, m_fired, m_earliestWarned.bound())) {
        m_earliestWarned.offer(*moment, dueTaskOf(row));
        if (*moment < m_earliest.bound())
            m_earliest.offer(*moment, dueTaskOf(row));
    }
}

DueTask dueTaskOf(const TaskRow& row)
{
    return {row.idValue().value_or(0), row.actionCode(), row.showsMessage(), row.descriptionText()};
}

namespace {
Selection selectionOf(const Earliest<DueTask>& earliest)
{
    Selection selection;
    selection.pollOn = !earliest.isEmpty();
    selection.due = earliest.items();
    if (selection.pollOn)
        selection.nextTime = QDateTime::fromSecsSinceEpoch(earliest.moment());
    return selection;
}
} // namespace

Selection NextTaskPass::result() const { return selectionOf(m_earliest); }

Selection NextTaskPass::warnedResult() const { return selectionOf(m_earliestWarned); }

} // namespace zelkor
