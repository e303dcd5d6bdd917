// Importing a task file of 1,000, 10,000 and 100,000 tasks of every kind into
// an empty task table: reading the file, and storing its tasks in one
// transaction, as `zelkor tasks import` has the program do; as baseline, the
// same rows stored by one prepared insert (the floor of any store), measured
// in the same run. Run: build/bench/bench_import [runs] [sizes...]
#include "BenchTasks.h"

#include "tasks/TaskFile.h"
#include "tasks/TaskStore.h"

#include <QCoreApplication>

#include <cstdio>

using namespace zelkor;

namespace {
QByteArray taskFile(int count)
{
    static const char* const kTasks[] = {
        R"({"schedule": "once", "at": "2027-01-31T08:30:00", "action": "restart"})",
        R"({"schedule": "daily", "time": "23:00:00", "action": "hibernate"})",
        R"({"schedule": "weekly", "days": ["mon", "wed", "fri"], "time": "17:45:00", "action": "lock"})",
        R"({"schedule": "monthly", "day": 15, "time": "12:00:00", "action": "remind", "message": "Backups"})",
        R"({"schedule": "daily", "time": "07:00:00", "action": "poweron", "target": "/usr/bin/true"})",
    };
    QByteArray text = "{\"version\": 1, \"tasks\": [\n";
    for (int i = 0; i < count; ++i)
        text += QByteArray(kTasks[i % 5]) + (i + 1 < count ? ",\n" : "\n");
    return text + "]}\n";
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 3;
    QList<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes << atoi(argv[i]);
    if (sizes.isEmpty())
        sizes = {1000, 10000, 100000};
    const QDateTime now(QDate(2026, 12, 7), QTime(12, 0));
    std::printf("%8s %12s %12s %14s %8s\n", "tasks", "read ms", "store ms", "baseline ms", "ratio");
    for (const int size : sizes) {
        const QByteArray file = taskFile(size);
        taskfile::Parsed parsed;
        const bench::Medians read = bench::medians(runs, [&] { parsed = taskfile::parse(file); });
        if (!parsed.error.isEmpty() || parsed.drafts.size() != size) {
            std::fprintf(stderr, "the file was not read: %s\n", qPrintable(parsed.error));
            return 1;
        }
        bool stored = true;
        const bench::Medians store = bench::medians(runs, [&] {
            bench::BenchFolder folder;
            TaskStore tasks(folder.database());
            stored = stored && folder.isValid() && taskfile::importDrafts(tasks, parsed, now).ok;
        });
        const bench::Medians baseline = bench::medians(runs, [&] {
            bench::BenchFolder folder;
            stored = stored && folder.insert(QList<bench::BenchFolder::Row>(size));
        });
        if (!stored) {
            std::fprintf(stderr, "the tasks were not stored\n");
            return 1;
        }
        std::printf("%8d %12.1f %12.1f %14.1f %7.2fx\n", size, read.wallMs, store.wallMs, baseline.wallMs,
                    store.wallMs / baseline.wallMs);
    }
    return 0;
}
