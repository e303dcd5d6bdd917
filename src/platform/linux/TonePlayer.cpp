#include "platform/linux/TonePlayer.h"

#include "platform/linux/ToneSink.h"
#include "platform/linux/ToneSynth.h"

#include <algorithm>

namespace zelkor {

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Reminder bursts follow each other within a second; keep the stream for them.
constexpr milliseconds kCloseWhenIdle{3000};
// Where there is no sound device, do not knock at the server for every burst.
constexpr milliseconds kReopenDelay{10000};
// Between two chunks a stop is noticed; 10 ms is well below what one hears.
constexpr qsizetype kChunkFrames = kToneRate / 100;
} // namespace

TonePlayer::TonePlayer() = default;

TonePlayer::~TonePlayer()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        ++m_submitted; // cuts a sequence in progress
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void TonePlayer::start(const QList<ToneStep>& steps) { submit(steps); }

void TonePlayer::stop() { submit({}); }

void TonePlayer::playAndWait(const QList<ToneStep>& steps)
{
    const quint64 job = submit(steps);
    std::unique_lock lock(m_mutex);
    m_finished.wait(lock, [&] { return m_quit || m_finishedJob >= job; });
}

quint64 TonePlayer::submit(const QList<ToneStep>& steps)
{
    quint64 job = 0;
    {
        std::lock_guard lock(m_mutex);
        m_steps = steps;
        job = ++m_submitted;
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_wake.notify_all();
    return job;
}

QString TonePlayer::problem() const
{
    std::lock_guard lock(m_mutex);
    return m_problem;
}

void TonePlayer::setProblem(const QString& problem)
{
    std::lock_guard lock(m_mutex);
    m_problem = problem;
}

bool TonePlayer::superseded(quint64 job) const { return m_submitted.load() != job; }

void TonePlayer::run()
{
    quint64 played = 0;
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        const auto pending = [&] { return m_quit || m_submitted.load() != played; };
        if (!pending()) {
            if (m_sink && !m_wake.wait_for(lock, kCloseWhenIdle, pending)) {
                lock.unlock();
                m_sink.reset();
                lock.lock();
            } else if (!m_sink) {
                m_wake.wait(lock, pending);
            }
            continue;
        }
        played = m_submitted.load();
        const QList<ToneStep> steps = m_steps;
        lock.unlock();
        if (!steps.isEmpty())
            play(played, steps);
        lock.lock();
        m_finishedJob = played;
        m_finished.notify_all();
    }
    lock.unlock();
    m_sink.reset();
    m_finished.notify_all();
}

void TonePlayer::play(quint64 job, const QList<ToneStep>& steps)
{
    if (!m_sink && Clock::now() >= m_nextOpen) {
        m_sink = openToneSink();
        if (!m_sink)
            m_nextOpen = Clock::now() + kReopenDelay;
    }
    if (m_sink)
        setProblem({});
    else if (problem().isEmpty())
        setProblem(QStringLiteral("no sound server or sound device answered"));
    const auto started = Clock::now();
    const std::vector<qint16> samples = renderTones(steps, kToneRate);
    const qsizetype total = qsizetype(samples.size());
    qsizetype at = 0;
    while (m_sink && at < total) {
        if (superseded(job)) {
            m_sink->flush();
            return;
        }
        const qsizetype count = std::min(kChunkFrames, total - at);
        if (!m_sink->write(samples.data() + at, count)) {
            m_sink.reset(); // the device went away; the rest is kept in time silently
            m_nextOpen = Clock::now() + kReopenDelay;
            setProblem(QStringLiteral("the sound device went away"));
            break;
        }
        at += count;
    }
    if (m_sink)
        m_sink->drain();
    // Without a device, or with one that swallows samples faster than real
    // time, the sequence still takes its time, so callers keep their rhythm.
    const auto elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - started).count();
    waitSilently(job, total * 1000 / kToneRate - elapsed);
}

void TonePlayer::waitSilently(quint64 job, qint64 ms)
{
    if (ms <= 0)
        return;
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, milliseconds(ms), [&] { return m_quit || superseded(job); });
}

} // namespace zelkor
