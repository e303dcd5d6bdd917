#pragma once

#include "platform/Platform.h"
#include "platform/linux/TonePlayer.h"
#include "platform/WakeTimer.h"
#include "platform/linux/IdleSource.h"
#include "platform/linux/InstanceLock.h"

#include <QUrl>

#include <memory>

namespace zelkor {

class ChildProcesses;
class LogindHibernation;
class SuspendInhibitor;

// Calls `onChange` from the event loop, shortly after the file at `path`
// (the one naming the local time zone) is replaced, removed or rewritten.
std::unique_ptr<QObject> watchZoneFile(const QString& path, std::function<void()> onChange);

class LinuxPlatform final : public Platform {
public:
    LinuxPlatform();
    ~LinuxPlatform() override;

    QDateTime now() const override;
    quint64 uptimeMs() const override;
    quint64 asleepMs() const override;
    quint32 tickSlackMs() const override { return 1; }
    QRect screenGeometry() const override;
    Outcome startHelper(const QString& program, ProgramEnded ended) override;
    Outcome shellOpen(const QString& target, ProgramEnded ended) override;
    Outcome findOpenTarget(const QString& target) const override;
    Outcome hibernate() override;   // LinuxPower.cpp
    void beep(int frequencyHz, int durationMs) override; // LinuxBeep.cpp
    void startTones(const QList<ToneStep>& steps) override;
    void stopTones() override;
    QString toneProblem() const override { return m_tones.problem(); }
    bool claimSingleInstance(const QString& lockPath) override;
    Outcome holdSuspendInhibitor(bool hold) override; // LinuxInhibitor.cpp
    QStringList otherUsersLoggedIn() const override;  // LogindSessions.cpp
    std::optional<quint32> lastInputTick() override;  // LinuxIdle.cpp
    QString idleUnavailableReason() const override;
    WakeTimer& wakeTimer() override; // LinuxWakeTimer.cpp
    void watchClockSet(std::function<void()> onSet) override; // LinuxClockSet.cpp

private:
    ChildProcesses& children();
    Outcome openWithDesktop(const QString& target, const QUrl& url, const QString& argument,
                            ProgramEnded ended);

    InstanceLock& m_instanceLock = InstanceLock::ofThisProcess();
    std::unique_ptr<ChildProcesses> m_children; // made on first use
    TonePlayer m_tones;
    std::unique_ptr<LogindHibernation> m_hibernation; // made on first use
    std::unique_ptr<SuspendInhibitor> m_inhibitor;    // made on first use
    mutable std::unique_ptr<IdleSource> m_idle; // chosen at the first question
    std::optional<quint32> m_lastInput;  // last answer, kept steady
    std::unique_ptr<WakeTimer> m_wakeTimer;
    std::unique_ptr<QObject> m_clockSetWatch; // made by watchClockSet
    std::unique_ptr<QObject> m_zoneWatch;     // made by watchClockSet
};

} // namespace zelkor
