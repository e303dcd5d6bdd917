#pragma once

#include "platform/Platform.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace zelkor {

class ToneSink;

// Plays tone sequences on a thread of its own, so that no caller waits on the
// sound device. The device stays open between sequences that follow each
// other closely (the bursts of a reminder) and is closed after a quiet while,
// so an idle program holds no sound stream.
class TonePlayer {
public:
    TonePlayer();
    ~TonePlayer();
    TonePlayer(const TonePlayer&) = delete;
    TonePlayer& operator=(const TonePlayer&) = delete;

    // Replaces whatever plays by these steps and returns at once.
    void start(const QList<ToneStep>& steps);
    // Plays the steps and returns once they have been heard, or once they are
    // replaced or stopped. Without a sound device it waits their duration.
    void playAndWait(const QList<ToneStep>& steps);
    // Ends the sound at once.
    void stop();
    // Why the last sequence went unheard; empty when it was played.
    QString problem() const;

private:
    quint64 submit(const QList<ToneStep>& steps);
    void run();
    bool superseded(quint64 job) const;
    void play(quint64 job, const QList<ToneStep>& steps);
    void waitSilently(quint64 job, qint64 ms);
    void setProblem(const QString& problem);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;     // a new job, a stop or the end
    std::condition_variable m_finished; // a job was played to its end or left
    QList<ToneStep> m_steps;            // of the newest job
    std::atomic<quint64> m_submitted = 0; // number of the newest job (a stop is an empty one)
    quint64 m_finishedJob = 0;
    QString m_problem;
    bool m_quit = false;
    std::thread m_thread; // started with the first job

    // Touched by the playing thread only.
    std::unique_ptr<ToneSink> m_sink;
    std::chrono::steady_clock::time_point m_nextOpen{};
};

} // namespace zelkor
