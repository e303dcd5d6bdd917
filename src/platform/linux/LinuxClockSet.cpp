#include "platform/linux/LinuxPlatform.h"

#include <QSocketNotifier>

#include <cerrno>
#include <limits>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>

namespace zelkor {

namespace {
// A timer on the wall clock set to a moment that never comes, asked to be
// cancelled whenever the clock is set: the kernel then wakes it. A resume
// cancels it too, which the caller takes as a look at the clock, no more.
class ClockSetWatch final : public QObject {
public:
    explicit ClockSetWatch(std::function<void()> onSet) : m_onSet(std::move(onSet))
    {
        m_fd = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
        if (m_fd < 0 || !arm()) // an old kernel: the program looks at its ticks only
            return;
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &ClockSetWatch::readCancel);
    }
    ~ClockSetWatch() override
    {
        delete m_notifier; // before its descriptor goes
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ClockSetWatch(const ClockSetWatch&) = delete;
    ClockSetWatch& operator=(const ClockSetWatch&) = delete;

private:
    bool arm()
    {
        itimerspec never{};
        never.it_value.tv_sec = std::numeric_limits<time_t>::max() / 2;
        return timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &never, nullptr) == 0;
    }
    void readCancel()
    {
        quint64 expirations = 0;
        const ssize_t n = ::read(m_fd, &expirations, sizeof expirations);
        if (n < 0 && errno == EAGAIN)
            return;
        // Cancelled (ECANCELED): the clock was set. Watch on, then tell.
        if (!arm()) {
            m_notifier->setEnabled(false);
            return;
        }
        if (m_onSet)
            m_onSet();
    }

    std::function<void()> m_onSet;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};
} // namespace

void LinuxPlatform::watchClockSet(std::function<void()> onSet)
{
    m_clockSetWatch = std::make_unique<ClockSetWatch>(std::move(onSet));
}

} // namespace zelkor
