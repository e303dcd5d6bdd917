// How late the real task poll fires after the due second. A run of Once tasks
// one second apart is stored; a platform with the real clock notes when each
// helper would have been started (nothing is started). Prints median and
// worst lateness in ms. Run: build/bench/bench_lateness [samples]
#include "BenchTasks.h"

#include "actions/ActionExecutor.h"
#include "platform/fake/FakePlatform.h"
#include "scheduler/TaskScheduler.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace zelkor;

namespace {
// The fake records everything; only the clock is the real one here.
class RealClockPlatform final : public FakePlatform {
public:
    QList<qint64> startedAtMs;

    QDateTime now() const override { return QDateTime::currentDateTime(); }
    Outcome startHelper(const QString& program, ProgramEnded ended) override
    {
        startedAtMs << QDateTime::currentMSecsSinceEpoch();
        return FakePlatform::startHelper(program, std::move(ended));
    }
};
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int samples = argc > 1 ? QByteArray(argv[1]).toInt() : 40;

    bench::BenchFolder folder;
    const qint64 first = QDateTime::currentSecsSinceEpoch() + 2;
    QList<qint64> due;
    QList<bench::BenchFolder::Row> rows;
    for (int i = 0; i < samples; ++i) {
        due << (first + i) * 1000;
        bench::BenchFolder::Row row;
        row.type = 1;
        row.start = daynum::fromDateTime(QDateTime::fromSecsSinceEpoch(first + i));
        rows << row;
    }
    if (!folder.isValid() || !folder.insert(rows)) {
        std::fprintf(stderr, "could not prepare the task database\n");
        return 1;
    }

    RealClockPlatform platform;
    AppState state;
    state.paths = portablePaths(folder.path());
    ActionExecutor actions(platform, state);
    TaskScheduler scheduler(platform, state, actions);
    scheduler.setForcedSource([] { return true; });
    scheduler.selectNextTask();
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &app, [&] {
        if (platform.startedAtMs.size() >= samples || !scheduler.isPolling())
            app.quit();
    });
    watch.start(100);
    QTimer::singleShot((samples + 5) * 1000, &app, &QCoreApplication::quit);
    app.exec();

    if (platform.startedAtMs.size() != samples) {
        std::printf("fired %lld of %d tasks\n", static_cast<long long>(platform.startedAtMs.size()), samples);
        return 1;
    }
    QList<qint64> late;
    for (int i = 0; i < samples; ++i)
        late << platform.startedAtMs[i] - due[i];
    std::sort(late.begin(), late.end());
    std::printf("samples: %d, lateness after the due second: median %lld ms, worst %lld ms, best %lld ms\n",
                samples, static_cast<long long>(late[late.size() / 2]), static_cast<long long>(late.last()),
                static_cast<long long>(late.first()));
    return late.first() < 0 ? 1 : 0; // firing before the second would be a fault
}
