#include "platform/linux/LinuxPlatform.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <limits>
#include <ctime>
#include <sys/inotify.h>
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

// The file that names the local time zone, watched through its folder: a
// desktop's zone setting replaces the link by a rename, `ln -sf` removes and
// makes it anew, and some systems write a copy in place. The kernel's clock is
// untouched by any of them, so the clock's own watch stays silent.
class ZoneFileWatch final : public QObject {
public:
    ZoneFileWatch(const QString& path, std::function<void()> onChange)
        : m_name(QFile::encodeName(QFileInfo(path).fileName())), m_onChange(std::move(onChange))
    {
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
        constexpr uint32_t kEvents = IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE |
                                     IN_CLOSE_WRITE | IN_ONLYDIR;
        if (m_fd < 0 || inotify_add_watch(m_fd, folder.constData(), kEvents) < 0)
            return; // no such folder, or no watches left: the program's looks remain
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &ZoneFileWatch::readEvents);
        // Between the removal and the new link the zone reads as UTC: tell
        // once the file has settled, not in between.
        m_settle.setSingleShot(true);
        m_settle.setInterval(kSettleMs);
        connect(&m_settle, &QTimer::timeout, this, [this] {
            if (m_onChange)
                m_onChange();
        });
    }
    ~ZoneFileWatch() override
    {
        delete m_notifier; // before its descriptor goes
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ZoneFileWatch(const ZoneFileWatch&) = delete;
    ZoneFileWatch& operator=(const ZoneFileWatch&) = delete;

private:
    static constexpr int kSettleMs = 300;

    void readEvents()
    {
        alignas(inotify_event) char buffer[4096];
        bool ours = false;
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                // Events were lost: the zone file may be among them.
                if (event->mask & IN_Q_OVERFLOW || (event->len > 0 && m_name == event->name))
                    ours = true;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        if (ours)
            m_settle.start();
    }

    QByteArray m_name;
    std::function<void()> m_onChange;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_settle;
};
} // namespace

std::unique_ptr<QObject> watchZoneFile(const QString& path, std::function<void()> onChange)
{
    return std::make_unique<ZoneFileWatch>(path, std::move(onChange));
}

void LinuxPlatform::watchClockSet(std::function<void()> onSet)
{
    m_clockSetWatch = std::make_unique<ClockSetWatch>(onSet);
    // A new time zone moves the wall clock as a set clock does; TZ in the
    // environment overrides the file, and then nothing changes.
    m_zoneWatch = watchZoneFile(QStringLiteral("/etc/localtime"), std::move(onSet));
}

} // namespace zelkor
