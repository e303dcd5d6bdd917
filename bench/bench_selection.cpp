// The selection pass over 1,000, 10,000 and 100,000 stored tasks of mixed
// kinds: the whole pass as the program runs it (read, rule, poll), its parts
// (processor time), and as baseline the same pass with the rows read through
// the record set (QtSql), measured in the same run.
// Run: build/bench/bench_selection [runs] [sizes...]
#include "BenchTasks.h"

#include "actions/ActionExecutor.h"
#include "common/AppPaths.h"
#include "guard/WarningDesk.h"
#include "platform/fake/FakePlatform.h"
#include "scheduler/NextTask.h"
#include "scheduler/TaskScheduler.h"
#include "tasks/TaskQueries.h"
#include "tasks/TaskReader.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>

using namespace zelkor;

namespace {
QList<bench::BenchFolder::Row> mixedRows(int count, const QDateTime& now)
{
    QRandomGenerator random(7);
    QList<bench::BenchFolder::Row> rows;
    for (int i = 0; i < count; ++i) {
        bench::BenchFolder::Row row;
        const double timeOfDay = random.bounded(86400) / 86400.0;
        row.action = 1 + random.bounded(8); // Power On rows too, left out by the query
        switch (i % 6) {
        case 0: // Once, from a month ago to two months ahead
            row.type = 1;
            row.start = daynum::fromDateTime(now.addSecs(random.bounded(-30 * 86400, 60 * 86400)));
            break;
        case 1:
            row.type = 2;
            row.start = timeOfDay;
            break;
        case 2:
            row.type = 3;
            row.start = timeOfDay;
            row.day = daynum::fromDate(QDate(2026, 1, 1 + random.bounded(31)));
            break;
        case 3:
        case 4:
            row.type = 4;
            row.start = timeOfDay;
            row.weekdays = random.bounded(128u);
            break;
        default: // forbidden periods: read, never chosen
            row.type = 0;
            row.action = 1;
            row.start = timeOfDay;
            row.stop = random.bounded(86400) / 86400.0;
        }
        rows << row;
    }
    return rows;
}

bool measure(int count, int runs)
{
    FakePlatform platform; // a fixed clock, so every run does the same work
    platform.setNow(QDateTime(QDate(2026, 12, 7), QTime(8, 0)));
    bench::BenchFolder folder;
    if (!folder.isValid() || !folder.insert(mixedRows(count, platform.now()))) {
        std::fprintf(stderr, "could not prepare the task database\n");
        return false;
    }

    TaskReader reader(folder.database());
    const QList<TaskRow> rows = reader.rows(queries::kSchedulableNewestFirst);
    Selection selection;
    const bench::Medians rule = bench::medians(runs, [&] { selection = selectNext(rows, platform.now()); });
    const bench::Medians read =
        bench::medians(runs, [&] { reader.forEach(queries::kSchedulableNewestFirst, [](const TaskRow&) {}); });

    AppState state;
    state.paths = portablePaths(folder.path());
    ActionExecutor actions(platform, state);
    TaskScheduler scheduler(platform, state, actions);
    WarningDesk desk; // as in the program: power actions are warned of a minute ahead
    scheduler.setWarningDesk(&desk);
    const bench::Medians pass = bench::medians(runs, [&] { scheduler.selectNextTask(); });

    // The baseline: the record set's read, then the same rule.
    TaskStore store(folder.database());
    store.setRecordSource(queries::kSchedulableNewestFirst);
    const bench::Medians recordSet = bench::medians(runs, [&] {
        store.refresh();
        selectNext(store.rows(), platform.now());
        store.close();
    });

    std::printf("%7d tasks (%6lld read): pass %7.2f ms, %7.2f ms CPU (read %6.2f, rule %6.2f)   "
                "baseline through QtSql %7.2f ms CPU   ratio %.2fx\n",
                count, static_cast<long long>(rows.size()), pass.wallMs, pass.cpuMs, read.cpuMs, rule.cpuMs,
                recordSet.cpuMs, recordSet.cpuMs > 0 ? pass.cpuMs / recordSet.cpuMs : 0.0);
    return scheduler.selection().nextTime == selection.nextTime &&
           scheduler.selection().due.size() == selection.due.size();
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 21;
    QList<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes << std::max(1, QByteArray(argv[i]).toInt());
    if (sizes.isEmpty())
        sizes = {1000, 10000, 100000};
    std::printf("selection pass, median of %d runs, TZ=%s\n", runs, qgetenv("TZ").constData());
    bool same = true;
    for (int count : sizes)
        same = measure(count, runs) && same;
    return same ? 0 : 1;
}
