// The task list at 1,000, 10,000 and 100,000 stored tasks of every kind:
// - rebuild: the list read anew and painted, as after every change;
// - save and refresh: a new task saved through the New Task dialog and the
//   main window's whole refresh (list, forbidden period, selection pass,
//   power-on search), painted;
// - baseline, measured in the same run: the rows read through the record set
//   (QtSql) and turned into lines of texts, as the list used to be filled.
// Medians in ms, of the time taken and of the processor time. Run: build/bench/bench_tasklist [runs] [sizes...]
#include "BenchTasks.h"

#include "common/AppPaths.h"
#include "platform/fake/FakePlatform.h"
#include "shell/MainWindow.h"
#include "tasks/TaskStore.h"
#include "tasks/TaskDialog.h"
#include "tasks/TaskGrid.h"
#include "tasks/TaskListText.h"
#include "tasks/TaskQueries.h"
#include "tasks/TasksPage.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <algorithm>
#include <cstdio>

using namespace zelkor;

namespace {
// Every kind and action except Power On, whose waits would hold the
// benchmark in their event loop.
QList<bench::BenchFolder::Row> allKinds(int count)
{
    QList<bench::BenchFolder::Row> rows;
    const double base = daynum::fromDate(QDate(2026, 6, 1));
    for (int i = 0; i < count; ++i) {
        bench::BenchFolder::Row row;
        row.type = i % 5;
        row.action = 1 + i % 7;
        if (row.action == 7)
            row.action = 8;
        const double time = (i % 1440) / 1440.0;
        row.start = row.type == 1 ? base + i % 60 + time : time;
        row.stop = row.type == 0 ? time + 0.01 : 0;
        row.day = row.type == 3 ? base + i % 28 : 0;
        row.weekdays = row.type == 4 ? unsigned(i) & 127u : 0;
        rows << row;
    }
    return rows;
}

bool measure(int count, int runs)
{
    bench::BenchFolder folder;
    if (!folder.isValid() || !folder.insert(allKinds(count))) {
        std::fprintf(stderr, "could not prepare the task database\n");
        return false;
    }
    FakePlatform platform;
    platform.setNow(QDateTime(QDate(2026, 6, 20), QTime(12, 0)));
    AppState state;
    state.paths = portablePaths(folder.path());
    MainWindow window(platform, state);
    if (!window.startUp())
        return false;
    window.m_tabs->setCurrentIndex(1); // the list on screen
    QCoreApplication::processEvents();
    TasksPage* page = window.tasksPage();

    const bench::Medians rebuild = bench::medians(runs, [&] {
        page->refreshTaskList();
        QCoreApplication::processEvents(); // the grid paints its new rows
    });

    page->setDialogRunner([](TaskDialog& dialog) {
        dialog.m_kindButtons[2]->click(); // Daily, at the time the dialog shows
        dialog.m_okButton->click();         // OK: save, then the window's refresh
    });
    const bench::Medians save = bench::medians(runs, [&] {
        page->newTask();
        QCoreApplication::processEvents();
    });

    TaskStore store(folder.database());
    store.setRecordSource(queries::kListNewestFirst);
    const bench::Medians baseline = bench::medians(runs, [&] {
        store.refresh();
        tasklist::buildLines(store.rows(), platform.now());
        store.close();
    });

    const int listed = page->m_taskGrid->lines().rowCount();
    std::printf("%7d tasks: rebuild %7.1f ms (%7.1f CPU)   save and refresh %7.1f ms (%7.1f CPU)   "
                "baseline, QtSql rows into lines %7.1f ms (%7.1f CPU)   rebuild ratio %.2fx\n",
                count, rebuild.wallMs, rebuild.cpuMs, save.wallMs, save.cpuMs, baseline.wallMs, baseline.cpuMs,
                baseline.cpuMs > 0 ? rebuild.cpuMs / baseline.cpuMs : 0.0);
    state.exitRequested = true;
    return listed == count + runs;
}
} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 9;
    QList<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes << std::max(1, QByteArray(argv[i]).toInt());
    if (sizes.isEmpty())
        sizes = {1000, 10000, 100000};
    std::printf("task list, median of %d runs\n", runs);
    bool complete = true;
    for (int count : sizes)
        complete = measure(count, runs) && complete;
    return complete ? 0 : 1;
}
