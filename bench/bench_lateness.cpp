// How late the program acts after the moment it was given, on the real clock:
// - stored tasks: a run of Once tasks one second apart, fired by the task
//   poll (the baseline);
// - the Timer tab's "at a date and time" mode: Start pressed at a random point
//   of a second, for the wall-clock second after the next;
// - with "after" as second argument also the "After" mode: one-minute
//   countdowns started at random points of a second, all in the same minute,
//   measured on the monotonic clock.
// Nothing is started: the platform notes when a helper would have been
// started, and reminders only note their time. Prints median, worst and best
// lateness in ms and the ratio of the "at" mode's median to the baseline's.
// Run: build/bench/bench_lateness [samples [after]]
#include "BenchTasks.h"

#include "actions/ActionExecutor.h"
#include "common/ActionKind.h"
#include "countdown/WakeWaits.h"
#include "countdown/TimerTab.h"
#include "platform/fake/FakePlatform.h"
#include "scheduler/TaskScheduler.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>

using namespace zelkor;

namespace {
// The fake records everything; only the clocks are the real ones here.
class RealClockPlatform final : public FakePlatform {
public:
    QList<qint64> startedAtMs;

    RealClockPlatform() { tickSlack = 1; } // as the program's, cut to the millisecond

    QDateTime now() const override { return QDateTime::currentDateTime(); }
    quint64 uptimeMs() const override
    {
        timespec ts{};
        clock_gettime(CLOCK_BOOTTIME, &ts);
        return quint64(ts.tv_sec) * 1000u + quint64(ts.tv_nsec) / 1000000u;
    }
    Outcome startHelper(const QString& program, ProgramEnded ended) override
    {
        startedAtMs << QDateTime::currentMSecsSinceEpoch();
        return FakePlatform::startHelper(program, std::move(ended));
    }
};

struct Figures {
    qint64 median = 0;
    qint64 worst = 0;
    qint64 best = 0;
};

Figures figures(QList<qint64> late)
{
    std::sort(late.begin(), late.end());
    return {late[late.size() / 2], late.last(), late.first()};
}

void print(const char* what, const Figures& f, int samples)
{
    std::printf("%-34s samples %3d  median %4lld ms  worst %4lld ms  best %4lld ms\n", what, samples,
                static_cast<long long>(f.median), static_cast<long long>(f.worst),
                static_cast<long long>(f.best));
}

void runFor(qint64 ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The stored tasks' poll: Once tasks one second apart.
std::optional<QList<qint64>> storedTasks(int samples)
{
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
    if (!folder.isValid() || !folder.insert(rows))
        return std::nullopt;
    RealClockPlatform platform;
    AppState state;
    state.paths = portablePaths(folder.path());
    ActionExecutor actions(platform, state);
    TaskScheduler scheduler(platform, state, actions);
    scheduler.setForcedSource([] { return true; });
    scheduler.selectNextTask();
    QElapsedTimer waited;
    waited.start();
    while (platform.startedAtMs.size() < samples && scheduler.isPolling() &&
           waited.elapsed() < (samples + 5) * 1000)
        runFor(100);
    if (platform.startedAtMs.size() != samples)
        return std::nullopt;
    QList<qint64> late;
    for (int i = 0; i < samples; ++i)
        late << platform.startedAtMs[i] - due[i];
    return late;
}

// One Timer tab as the window holds it, with an action that only notes its time.
struct Tab {
    RealClockPlatform platform;
    AppState state;
    ActionExecutor actions{platform, state};
    WakeWaits waits{platform};
    TimerTab tab{platform, actions, waits};
    qint64 actedAtMs = 0;
    qint64 actedAtMonotonicNs = 0;
    QElapsedTimer* monotonic = nullptr;

    explicit Tab(QElapsedTimer* clock) : monotonic(clock)
    {
        for (const QString& name : actionNames())
            tab.m_actionCombo->addItem(name);
        tab.m_actionCombo->setCurrentIndex(int(ActionKind::EventsRemind) - 1);
        actions.setReminderPresenter([this] {
            actedAtMs = QDateTime::currentMSecsSinceEpoch();
            actedAtMonotonicNs = monotonic->nsecsElapsed();
        });
    }
    void chooseMode(int mode)
    {
        tab.m_modeButtons[size_t(mode)]->setChecked(true);
        tab.onModeChosen(mode);
    }
};

// The "at" mode: each sample waits a random part of a second, then starts a
// count to the second after the next.
QList<qint64> atMode(int samples, QElapsedTimer* clock)
{
    QRandomGenerator random(11);
    QList<qint64> late;
    for (int i = 0; i < samples; ++i) {
        Tab t(clock);
        t.chooseMode(countdown::At);
        runFor(random.bounded(1000));
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime at = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + 2);
        t.tab.m_atDateEdit->setDate(at.date());
        t.tab.m_atTimeEdit->setTime(at.time());
        t.tab.onStartStop();
        while (t.actedAtMs == 0 && QDateTime::currentMSecsSinceEpoch() < at.toMSecsSinceEpoch() + 3000)
            runFor(20);
        late << (t.actedAtMs ? t.actedAtMs - at.toMSecsSinceEpoch() : 3000);
    }
    return late;
}

// The "After" mode: one-minute counts started at random points of one second.
QList<qint64> afterMode(int samples, QElapsedTimer* clock)
{
    QRandomGenerator random(13);
    std::vector<std::unique_ptr<Tab>> tabs;
    QList<qint64> startedNs;
    QList<qint64> offsets;
    for (int i = 0; i < samples; ++i)
        offsets << random.bounded(1000);
    std::sort(offsets.begin(), offsets.end());
    qint64 previous = 0;
    for (qint64 offset : offsets) {
        runFor(offset - previous);
        previous = offset;
        auto t = std::make_unique<Tab>(clock);
        t->chooseMode(countdown::After);
        t->tab.m_afterHoursEdit->setTime(QTime(0, t->tab.m_afterHoursEdit->time().minute()));
        t->tab.m_afterMinutesEdit->setTime(QTime(t->tab.m_afterMinutesEdit->time().hour(), 1));
        startedNs << clock->nsecsElapsed();
        t->tab.onStartStop();
        tabs.push_back(std::move(t));
    }
    runFor(62000);
    QList<qint64> late;
    for (size_t i = 0; i < tabs.size(); ++i)
        late << (tabs[i]->actedAtMonotonicNs ? (tabs[i]->actedAtMonotonicNs - startedNs[qsizetype(i)]) / 1000000 - 60000
                                             : 3000);
    return late;
}
} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int samples = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 20;
    const bool after = argc > 2 && QByteArray(argv[2]) == "after";
    QElapsedTimer monotonic;
    monotonic.start();

    const auto stored = storedTasks(samples);
    if (!stored) {
        std::fprintf(stderr, "the stored tasks did not all fire\n");
        return 1;
    }
    const Figures base = figures(*stored);
    print("stored tasks (baseline):", base, samples);
    const Figures at = figures(atMode(samples, &monotonic));
    print("Timer tab, at a date and time:", at, samples);
    std::printf("%-34s median %.2fx the baseline's\n", "", base.median > 0 ? double(at.median) / base.median : 0.0);
    bool early = base.best < 0 || at.best < 0;
    if (after) {
        const Figures a = figures(afterMode(samples, &monotonic));
        print("Timer tab, after one minute:", a, samples);
        early = early || a.best < 0;
    }
    return early ? 1 : 0; // acting before the moment would be a fault
}
