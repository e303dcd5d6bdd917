#include "scheduler/NextTask.h"

namespace zelkor {

namespace {
constexpr int kHorizonDays = 32;
} // namespace

Selection selectNext(const QList<TaskRow>& rows, const QDateTime& now, const FiredMoments& fired)
{
    Selection selection;
    OccurrenceFinder finder(now);
    const QDateTime current = QDateTime::fromSecsSinceEpoch(finder.nowSeconds());
    const qint64 horizon = finder.clock()
                               .epochSeconds(finder.today().addDays(kHorizonDays), current.time())
                               .value_or(finder.nowSeconds() + kHorizonDays * 86400LL);
    Earliest<DueTask> earliest(horizon);
    for (const TaskRow& row : rows) {
        if (row.actionCode() == 7) // power-on tasks are armed elsewhere
            continue;
        if (const auto moment = finder.next(row, fired, earliest.bound()))
            earliest.offer(*moment, {row.idValue().value_or(0), row.actionCode(),
                                     row.showsMessage(), row.descriptionText()});
    }
    selection.pollOn = !earliest.isEmpty();
    selection.due = earliest.items();
    if (selection.pollOn)
        selection.nextTime = QDateTime::fromSecsSinceEpoch(earliest.moment());
    return selection;
}

} // namespace zelkor
