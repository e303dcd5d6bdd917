#pragma once

#include "platform/Platform.h"
#include "platform/linux/TonePlayer.h"
#include "platform/WakeTimer.h"
#include "platform/linux/IdleSource.h"

#include <QLockFile>

#include <memory>

namespace zelkor {

class LogindHibernation;
class SuspendInhibitor;

class LinuxPlatform final : public Platform {
public:
    LinuxPlatform();
    ~LinuxPlatform() override;

    QDateTime now() const override;
    quint32 tickCount() const override;
    QRect screenGeometry() const override;
    Outcome startDetached(const QString& program) override;
    Outcome shellOpen(const QString& target) override;
    Outcome hibernate() override;   // LinuxPower.cpp
    void beep(int frequencyHz, int durationMs) override; // LinuxBeep.cpp
    void startTones(const QList<ToneStep>& steps) override;
    void stopTones() override;
    bool claimSingleInstance(const QString& lockPath) override;
    Outcome holdSuspendInhibitor(bool hold) override; // LinuxInhibitor.cpp
    std::optional<quint32> lastInputTick() override;  // LinuxIdle.cpp
    QString idleUnavailableReason() const override;
    WakeTimer& wakeTimer() override; // LinuxWakeTimer.cpp

private:
    std::unique_ptr<QLockFile> m_instanceLock;
    TonePlayer m_tones;
    std::unique_ptr<LogindHibernation> m_hibernation; // made on first use
    std::unique_ptr<SuspendInhibitor> m_inhibitor;    // made on first use
    mutable std::unique_ptr<IdleSource> m_idle; // chosen at the first question
    std::optional<quint32> m_lastInput;  // last answer, kept steady
    std::unique_ptr<WakeTimer> m_wakeTimer;
};

} // namespace zelkor
