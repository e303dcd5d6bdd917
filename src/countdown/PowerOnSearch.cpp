#include "countdown/PowerOnSearch.h"

namespace zelkor::poweron {

Choice search(const QList<TaskRow>& rows, const QDateTime& now, const FiredMoments& fired)
{
    return search(
        [&rows](const RowVisitor& visit) {
            for (const TaskRow& row : rows)
                visit(row);
        },
        now, fired);
}

Choice search(const std::function<void(const RowVisitor&)>& forEachRow, const QDateTime& now,
              const FiredMoments& fired)
{
    // The occurrences are the scheduler's: the same moments on the days the
    // clocks change, and the same record of what ran.
    OccurrenceFinder finder(now);
    Earliest<FollowUp> earliest(finder.nowSeconds() + kStartSeconds);
    bool showMessage = false;
    forEachRow([&](const TaskRow& row) {
        const auto moment = finder.next(row, fired, earliest.bound());
        if (!moment)
            return;
        // A launch-or-message value that is no number keeps the kind of the
        // task taken before.
        if (const auto targetMode = TaskRow::integer(row.targetMode))
            showMessage = *targetMode != 0;
        earliest.offer(*moment, {row.idValue().value_or(0), row.descriptionText(), showMessage});
    });
    Choice choice;
    choice.followUps = earliest.items();
    if (!earliest.isEmpty()) {
        choice.seconds = earliest.moment() - finder.nowSeconds();
        choice.due = QDateTime::fromSecsSinceEpoch(earliest.moment());
    }
    return choice;
}

} // namespace zelkor::poweron
