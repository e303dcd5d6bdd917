#pragma once

#include <QDateTime>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace zelkor {

class WakeTimer;

// Result of an operation that can fail for a reason worth telling the user.
struct Outcome {
    bool ok = true;
    QString error; // plain words, empty when ok

    static Outcome success() { return {}; }
    static Outcome failure(QString why) { return {false, std::move(why)}; }
};

// One step of a tone sequence: a sine tone, or silence when frequencyHz is 0.
struct ToneStep {
    int frequencyHz = 0;
    int durationMs = 0;

    bool isPause() const { return frequencyHz <= 0; }
    friend bool operator==(const ToneStep&, const ToneStep&) = default;
};

// Everything the program asks of the operating system. One Linux backend for
// the real program, one fake for tests; a capability the session lacks answers
// "not available" instead of failing hard.
class Platform {
public:
    virtual ~Platform() = default;

    // --- clock ---
    virtual QDateTime now() const = 0;      // local wall-clock time
    virtual quint64 uptimeMs() const = 0;   // ms since boot, time asleep included
    virtual quint64 asleepMs() const = 0;   // of that, ms spent in stand-by or hibernation
    // The same as a 32-bit count that wraps after 49.7 days: for the time
    // between two readings, never for how long the computer has run.
    quint32 tickCount() const { return static_cast<quint32>(uptimeMs()); }
    // How far the time between two readings of the tick count may exceed
    // their difference (readings cut to the millisecond: 1).
    virtual quint32 tickSlackMs() const = 0;
    // Calls `onSet` from the event loop whenever the wall clock may have been
    // set (a time server's step, a user correcting it, a resume) or moved by a
    // new time zone, so a program at rest needs no tick to notice; never where
    // the system cannot tell.
    virtual void watchClockSet(std::function<void()> onSet) = 0;

    // --- screen ---
    virtual QRect screenGeometry() const = 0; // pixels of the primary screen

    // --- processes and the desktop shell ---
    // How a started program ended: success, or its own reason in plain words.
    // Called once, later, on the thread that started it, never while the
    // starter waits: nothing here blocks.
    using ProgramEnded = std::function<void(const Outcome&)>;
    // Starts a helper by absolute path, no arguments, without waiting; its
    // exit status and what it wrote to stderr come back through `ended`. A
    // helper that cannot be started is told at once, and `ended` never comes.
    virtual Outcome startHelper(const QString& program, ProgramEnded ended) = 0;
    // Hands a program, document or web address to the desktop: real programs
    // (ELF files and #! scripts that may be executed) are started, anything
    // else goes to its default handler, whose failure comes back through
    // `ended`. A target that cannot be handed over at all is told at once.
    virtual Outcome shellOpen(const QString& target, ProgramEnded ended) = 0;
    // Whether shellOpen would find `target` now: an existing file or a valid
    // address; else the same failure it would give.
    virtual Outcome findOpenTarget(const QString& target) const = 0;

    // --- power ---
    // Asks the system to hibernate and returns once it reports the resume, or
    // after a bound when it never does.
    virtual Outcome hibernate() = 0;

    // --- sound ---
    // A sine tone; blocks for its duration. Silent where there is no sound
    // device, but it still takes its duration, so patterns keep their timing.
    virtual void beep(int frequencyHz, int durationMs) = 0;
    // Plays the steps back to back and returns at once. The sound stream
    // itself keeps the timing, so a busy caller cannot stretch the pauses.
    // A later call replaces whatever still plays; stopTones() ends it at once.
    virtual void startTones(const QList<ToneStep>& steps) = 0;
    virtual void stopTones() = 0;
    // Why the last tones went unheard ("no sound server or sound device
    // answered"); empty when they were played.
    virtual QString toneProblem() const = 0;

    // --- suspend requests from elsewhere ---
    // Holds (true) or releases (false) the locks that refuse suspend requests
    // the program did not start: a logind "sleep" block inhibitor and the
    // desktop's own inhibitor. Releasing what is not held does nothing.
    virtual Outcome holdSuspendInhibitor(bool hold) = 0;

    // --- other people ---
    // Users other than this one with a session here, at a seat or from afar,
    // by name: a shut down or a restart ends their work too. Asked of the
    // system at each call, briefly; empty where it cannot tell.
    virtual QStringList otherUsersLoggedIn() const = 0;

    // --- idle time ---
    // Tick count (as tickCount()) of the last keyboard or mouse input, or
    // nothing where this desktop cannot tell; then idleUnavailableReason() says why.
    virtual std::optional<quint32> lastInputTick() = 0;
    virtual QString idleUnavailableReason() const = 0;

    // --- wake-up ---
    // The process-wide timer that resumes the computer (platform/WakeTimer.h).
    virtual WakeTimer& wakeTimer() = 0;

    // --- single instance ---
    // True when this process is the only running instance for this user;
    // `lockPath` is the user's lock file (AppPaths::lockPath).
    virtual bool claimSingleInstance(const QString& lockPath) = 0;
};

// The backend of the running program, chosen at start-up.
std::unique_ptr<Platform> createLinuxPlatform();

} // namespace zelkor
