#pragma once

#include "platform/Platform.h"
#include "platform/fake/FakeWakeTimer.h"

#include <QStringList>

namespace zelkor {

// Platform for tests: a fixed clock that only moves when told to, a settable
// tick count, and a record of every side effect instead of performing it.
class FakePlatform : public Platform {
public:
    FakePlatform();

    // --- test controls ---
    // Time passes up to `now`: the tick count moves on with it. A `now` in the
    // past can only be a clock that was set back, as stepClock() does.
    void setNow(const QDateTime& now);
    // The clock is set to `now` (a time server's step, a user's correction):
    // the tick count stays.
    void stepClock(const QDateTime& now) { m_now = now; }
    void advanceSecond() { advance(1); }
    void advance(qint64 seconds);
    // The computer sleeps `seconds`: the clocks move on, the awake time stays.
    void sleep(qint64 seconds)
    {
        advance(seconds);
        m_asleep += quint64(seconds * 1000);
    }
    void setUptimeMs(quint64 ms) { m_uptime = ms; }
    void setScreen(const QRect& r) { m_screen = r; }
    // Programs, and targets to open, that are not there.
    void setMissingPrograms(const QStringList& paths) { m_missing = paths; }
    void setOtherInstanceRunning(bool running) { m_otherInstance = running; }

    // Ends every helper and opening still running with `outcome`, in the
    // order they were started, as their processes would.
    void endRunning(const Outcome& outcome);

    // --- recorded effects ---
    QStringList started;  // helpers started
    QStringList opened;   // targets handed to the desktop
    QList<ProgramEnded> running; // how each started one that has not ended yet is told its end
    int hibernations = 0;
    qint64 hibernateSeconds = 0; // the clock moves on by this much in each hibernation
    QList<QPair<int, int>> beeps; // (Hz, ms)
    QList<QList<ToneStep>> toneRuns; // every sequence handed to startTones
    int toneStops = 0;               // calls of stopTones
    QString toneProblemText;         // why tones go unheard, as the platform tells
    bool inhibitorHeld = false;
    QStringList otherUsers;     // logged in besides this one
    QStringList missingTargets; // what findOpenTarget does not find
    quint32 tickSlack = 0; // the fake tick count is exact unless a test says otherwise
    QString claimedLock; // the lock file of the last claimSingleInstance
    std::optional<quint32> lastInput = 0u; // set to nothing for "not available"
    FakeWakeTimer wake;

    // --- Platform ---
    QDateTime now() const override { return m_now; }
    quint64 uptimeMs() const override { return m_uptime; }
    quint64 asleepMs() const override { return m_asleep; }
    quint32 tickSlackMs() const override { return tickSlack; }
    void watchClockSet(std::function<void()> onSet) override { m_onClockSet = std::move(onSet); }
    // What the system tells when the clock was set.
    void clockWasSet()
    {
        if (m_onClockSet)
            m_onClockSet();
    }
    QRect screenGeometry() const override { return m_screen; }
    Outcome startHelper(const QString& program, ProgramEnded ended) override;
    Outcome shellOpen(const QString& target, ProgramEnded ended) override;
    Outcome hibernate() override;
    void beep(int frequencyHz, int durationMs) override;
    void startTones(const QList<ToneStep>& steps) override { toneRuns.append(steps); }
    void stopTones() override { ++toneStops; }
    QString toneProblem() const override { return toneProblemText; }
    bool claimSingleInstance(const QString& lockPath) override
    {
        claimedLock = lockPath;
        return !m_otherInstance;
    }
    QStringList otherUsersLoggedIn() const override { return otherUsers; }
    Outcome findOpenTarget(const QString& target) const override
    {
        return missingTargets.contains(target)
                   ? Outcome::failure(target + QStringLiteral(" is not there."))
                   : Outcome::success();
    }
    Outcome holdSuspendInhibitor(bool hold) override
    {
        inhibitorHeld = hold;
        return Outcome::success();
    }
    std::optional<quint32> lastInputTick() override { return lastInput; }
    QString idleUnavailableReason() const override { return QStringLiteral("No idle time in tests."); }
    WakeTimer& wakeTimer() override { return wake; }

private:
    std::function<void()> m_onClockSet;
    QDateTime m_now;
    quint64 m_uptime = 0;
    quint64 m_asleep = 0;
    QRect m_screen{0, 0, 1920, 1080};
    QStringList m_missing;
    bool m_otherInstance = false;
};

} // namespace zelkor
