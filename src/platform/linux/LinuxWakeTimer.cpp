#include "platform/linux/LinuxWakeTimer.h"

#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>

namespace zelkor {

namespace {
QString errorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }
} // namespace

QString wakeAlarmProblem(int createError, bool rtcWakeAlarm)
{
    switch (createError) {
    case 0:
        return rtcWakeAlarm ? QString()
                            : QStringLiteral("it has no real-time clock with a wake-up alarm");
    case EPERM:
        return QStringLiteral("Zelkor lacks the permission to set wake-up alarms (cap_wake_alarm)");
    case EINVAL:
    case ENODEV:
    case EOPNOTSUPP:
        return QStringLiteral("this system offers no wake-up alarm clock");
    default:
        return QStringLiteral("its wake-up alarm could not be set up (%1)")
            .arg(errorText(createError));
    }
}

bool hasRtcWakeAlarm(const QString& sysClassRtc)
{
    // The kernel shows "wakealarm" only for clocks that can wake the system.
    const QDir dir(sysClassRtc);
    const QStringList clocks = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& clock : clocks)
        if (QFileInfo::exists(dir.filePath(clock + QStringLiteral("/wakealarm"))))
            return true;
    return false;
}

LinuxWakeTimer::LinuxWakeTimer(bool tryAlarmClock, QObject* parent) : WakeTimer(parent)
{
    // Boot-time clocks count the time asleep, and a relative wait on them is
    // not moved when the wall clock is set: the wait ends after its seconds
    // of real time, or at once after a resume that came later. A relative
    // wait on a real-time clock runs on the monotonic clock instead, which
    // stands still while the computer sleeps.
    int alarmError = EPERM;
    if (tryAlarmClock) {
        m_fd = timerfd_create(CLOCK_BOOTTIME_ALARM, TFD_NONBLOCK | TFD_CLOEXEC);
        alarmError = m_fd >= 0 ? 0 : errno;
    }
    m_alarmClock = m_fd >= 0;
    if (m_fd < 0) {
        m_fd = timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC);
        if (m_fd < 0)
            m_createError = errorText(errno);
    }
    m_noWake = wakeAlarmProblem(alarmError, m_alarmClock && hasRtcWakeAlarm());
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &LinuxWakeTimer::readExpiry);
    }
}

LinuxWakeTimer::~LinuxWakeTimer()
{
    delete m_notifier; // before its descriptor goes
    m_notifier = nullptr;
    if (m_fd >= 0)
        ::close(m_fd);
}

QString LinuxWakeTimer::whyNoWake() const
{
    if (m_fd < 0)
        return QStringLiteral("no wake-up timer could be created (%1)").arg(m_createError);
    return m_noWake;
}

Outcome LinuxWakeTimer::armMs(qint64 ms)
{
    clearState();
    if (m_fd < 0)
        return Outcome::failure(
            QStringLiteral("No wake-up timer could be created (%1).").arg(m_createError));
    itimerspec setting{};
    if (ms > 0) {
        setting.it_value.tv_sec = static_cast<time_t>(ms / 1000);
        setting.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1000000;
    } else {
        setting.it_value.tv_nsec = 1; // a zero value would disarm it instead
    }
    // Relative on a boot-time clock: after a resume past the due time the
    // timer fires at once.
    if (timerfd_settime(m_fd, 0, &setting, nullptr) != 0)
        return Outcome::failure(
            QStringLiteral("The wake-up timer could not be set (%1).").arg(errorText(errno)));
    m_notifier->setEnabled(true);
    m_armed = true;
    return Outcome::success();
}

void LinuxWakeTimer::disarm()
{
    if (m_fd < 0)
        return;
    const itimerspec off{};
    timerfd_settime(m_fd, 0, &off, nullptr);
    m_armed = false;
    quint64 drained = 0;
    while (::read(m_fd, &drained, sizeof drained) == sizeof drained) {
    }
}

qint64 LinuxWakeTimer::remainingMs() const
{
    itimerspec setting{};
    if (!m_armed || timerfd_gettime(m_fd, &setting) != 0)
        return 0;
    return qint64(setting.it_value.tv_sec) * 1000 + setting.it_value.tv_nsec / 1000000;
}

void LinuxWakeTimer::readExpiry()
{
    quint64 expirations = 0;
    const ssize_t n = ::read(m_fd, &expirations, sizeof expirations);
    if (n == sizeof expirations) {
        m_armed = false;
        signal();
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return; // already drained by a disarm
    // The descriptor is unusable: stop listening, let the waits return.
    m_notifier->setEnabled(false);
    fail(QStringLiteral("The wake-up timer stopped working (%1).")
             .arg(n < 0 ? errorText(errno) : QStringLiteral("short read")));
}

} // namespace zelkor

#include "platform/linux/LinuxPlatform.h"

namespace zelkor {

WakeTimer& LinuxPlatform::wakeTimer()
{
    // Created on first use, when the event loop that watches it exists.
    if (!m_wakeTimer)
        m_wakeTimer = std::make_unique<LinuxWakeTimer>();
    return *m_wakeTimer;
}

} // namespace zelkor
