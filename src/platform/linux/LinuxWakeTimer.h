#pragma once

#include "platform/WakeTimer.h"

class QSocketNotifier;

namespace zelkor {

// Why a timer on the alarm clock cannot wake this computer, from the error of
// creating it (0 when it was created) and whether a real-time clock with a
// wake alarm exists. Empty when it can wake.
QString wakeAlarmProblem(int createError, bool rtcWakeAlarm);

// Whether any real-time clock under `sysClassRtc` offers a wake alarm.
bool hasRtcWakeAlarm(const QString& sysClassRtc = QStringLiteral("/sys/class/rtc"));

// A timerfd on CLOCK_BOOTTIME_ALARM, which resumes a suspended computer but
// needs CAP_WAKE_ALARM; without it, CLOCK_BOOTTIME, which fires on time while
// the computer is awake (or at once after a resume, when the time has passed).
// Both count the time asleep, so both end a wait at the same moment.
class LinuxWakeTimer final : public WakeTimer {
    Q_OBJECT
public:
    // Prefers the alarm clock unless told otherwise (tests compare both).
    explicit LinuxWakeTimer(bool tryAlarmClock = true, QObject* parent = nullptr);
    ~LinuxWakeTimer() override;
    LinuxWakeTimer(const LinuxWakeTimer&) = delete;
    LinuxWakeTimer& operator=(const LinuxWakeTimer&) = delete;

    Outcome armMs(qint64 ms) override;
    void disarm() override;
    bool canWake() const override { return m_fd >= 0 && m_noWake.isEmpty(); }
    QString whyNoWake() const override;

    bool isValid() const { return m_fd >= 0; }
    bool onAlarmClock() const { return m_alarmClock; }
    qint64 remainingMs() const; // 0 when not armed or already due

private:
    void readExpiry();

    int m_fd = -1;
    bool m_alarmClock = false;
    bool m_armed = false;  // the kernel reports a stale time for a disarmed alarm timer
    QString m_noWake;      // why it cannot wake, when it cannot
    QString m_createError; // why no timer exists at all
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace zelkor
