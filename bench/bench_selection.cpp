// The selection pass over 10,000 stored tasks of mixed kinds: the rule alone
// over rows in memory, and the whole pass as the program runs it (query,
// rows, rule, poll). Run: build/bench/bench_selection [tasks] [runs]
#include "BenchTasks.h"

#include "actions/ActionExecutor.h"
#include "platform/fake/FakePlatform.h"
#include "scheduler/NextTask.h"
#include "scheduler/TaskScheduler.h"
#include "tasks/TaskQueries.h"
#include "tasks/TaskStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <functional>

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

struct Figures {
    double median = 0;
    double worst = 0;
};

Figures measure(int runs, const std::function<void()>& work)
{
    QList<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms << timer.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.last()};
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    const int runs = argc > 2 ? QByteArray(argv[2]).toInt() : 50;

    FakePlatform platform; // a fixed clock, so every run does the same work
    platform.setNow(QDateTime(QDate(2026, 12, 7), QTime(8, 0)));
    bench::BenchFolder folder;
    if (!folder.isValid() || !folder.insert(mixedRows(count, platform.now()))) {
        std::fprintf(stderr, "could not prepare the task database\n");
        return 1;
    }

    TaskStore ado(folder.database());
    ado.setRecordSource(queries::kSchedulableNewestFirst);
    ado.refresh();
    const QList<TaskRow> rows = ado.rows();
    Selection selection;
    const Figures rule = measure(runs, [&] { selection = selectNext(rows, platform.now()); });

    const Figures read = measure(runs, [&] { ado.refresh(); });
    QList<TaskRow> copied;
    const Figures convert = measure(runs, [&] { copied = ado.rows(); });

    AppState state;
    state.paths = portablePaths(folder.path());
    ActionExecutor actions(platform, state);
    TaskScheduler scheduler(platform, state, actions);
    const Figures pass = measure(runs, [&] { scheduler.selectNextTask(); });

    std::printf("tasks stored: %d (%lld read by the pass), runs: %d, TZ=%s\n", count,
                static_cast<long long>(rows.size()), runs, qgetenv("TZ").constData());
    std::printf("selection rule over rows:       median %.2f ms, worst %.2f ms\n", rule.median, rule.worst);
    std::printf("query alone (TaskStore::refresh):  median %.2f ms, worst %.2f ms\n", read.median,
                read.worst);
    std::printf("rows alone (TaskStore::rows):     median %.2f ms, worst %.2f ms\n", convert.median,
                convert.worst);
    std::printf("whole pass (query + rule + poll): median %.2f ms, worst %.2f ms\n", pass.median, pass.worst);
    std::printf("chosen: task %lld at %s\n",
                static_cast<long long>(selection.due.isEmpty() ? 0 : selection.due.first().taskId),
                qPrintable(selection.nextTime.toString(Qt::ISODate)));
    return 0;
}
