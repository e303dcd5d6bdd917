#include "platform/linux/LinuxInhibitor.h"

#include "platform/linux/LinuxPlatform.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

namespace zelkor {

namespace {
const QString kReason = QStringLiteral("Stand-by and hibernation are refused while Zelkor runs.");
constexpr quint32 kInhibitSuspend = 4; // the portal's and GNOME's flag for suspend

QString errorText(const QDBusMessage& reply)
{
    return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
}
} // namespace

// --- logind ---

LogindSleepLock::LogindSleepLock(QDBusConnection systemBus, int timeoutMs)
    : m_bus(std::move(systemBus)), m_timeoutMs(timeoutMs)
{
}

LogindSleepLock::~LogindSleepLock() { release(); }

Outcome LogindSleepLock::take(const QString& reason)
{
    if (held())
        return Outcome::success();
    if (!m_bus.isConnected())
        return Outcome::failure(QStringLiteral("the system message bus cannot be reached"));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Zelkor") << reason
         << QStringLiteral("block");
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, m_timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return Outcome::failure(QStringLiteral("the login manager (logind) refused: ") +
                                errorText(reply));
    const auto fd = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
    if (!fd.isValid())
        return Outcome::failure(QStringLiteral("the login manager (logind) gave no lock"));
    // Our own copy, closed on exec: a helper we start must not keep the lock
    // alive after we let it go.
    m_fd = ::fcntl(fd.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (m_fd < 0)
        return Outcome::failure(
            QStringLiteral("the lock from the login manager could not be kept"));
    return Outcome::success();
}

void LogindSleepLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

// --- the desktop ---

DesktopSuspendInhibitor::DesktopSuspendInhibitor(QDBusConnection sessionBus, int timeoutMs)
    : m_bus(std::move(sessionBus)), m_timeoutMs(timeoutMs)
{
}

DesktopSuspendInhibitor::~DesktopSuspendInhibitor() { release(); }

Outcome DesktopSuspendInhibitor::take(const QString& reason)
{
    if (held())
        return Outcome::success();
    if (!m_bus.isConnected())
        return Outcome::failure(QStringLiteral("the session message bus cannot be reached"));

    QDBusMessage portal = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    portal << QString() << kInhibitSuspend << QVariantMap{{QStringLiteral("reason"), reason}};
    const QDBusMessage portalReply = m_bus.call(portal, QDBus::Block, m_timeoutMs);
    if (portalReply.type() == QDBusMessage::ReplyMessage && !portalReply.arguments().isEmpty()) {
        m_portalRequest = portalReply.arguments().constFirst().value<QDBusObjectPath>().path();
        m_via = Via::Portal;
        return Outcome::success();
    }

    QDBusMessage gnome = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.SessionManager"), QStringLiteral("/org/gnome/SessionManager"),
        QStringLiteral("org.gnome.SessionManager"), QStringLiteral("Inhibit"));
    gnome << QStringLiteral("zelkor") << quint32(0) << reason << kInhibitSuspend;
    const QDBusMessage gnomeReply = m_bus.call(gnome, QDBus::Block, m_timeoutMs);
    if (gnomeReply.type() == QDBusMessage::ReplyMessage && !gnomeReply.arguments().isEmpty()) {
        m_gnomeCookie = gnomeReply.arguments().constFirst().toUInt();
        m_via = Via::Gnome;
        return Outcome::success();
    }
    return Outcome::failure(
        QStringLiteral("the desktop refused (inhibit portal: %1; GNOME session manager: %2)")
            .arg(errorText(portalReply), errorText(gnomeReply)));
}

void DesktopSuspendInhibitor::release()
{
    QDBusMessage call;
    switch (m_via) {
    case Via::None:
        return;
    case Via::Portal:
        call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.portal.Desktop"), m_portalRequest,
            QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close"));
        break;
    case Via::Gnome:
        call = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.SessionManager"), QStringLiteral("/org/gnome/SessionManager"),
            QStringLiteral("org.gnome.SessionManager"), QStringLiteral("Uninhibit"));
        call << m_gnomeCookie;
        break;
    }
    // Nothing to do about a failed release: the desktop drops our inhibitor
    // by itself when the program ends.
    m_bus.call(call, QDBus::Block, m_timeoutMs);
    m_via = Via::None;
    m_portalRequest.clear();
    m_gnomeCookie = 0;
}

// --- both ---

SuspendInhibitor::SuspendInhibitor(QDBusConnection systemBus, QDBusConnection sessionBus,
                                   int timeoutMs)
    : m_logind(std::move(systemBus), timeoutMs), m_desktop(std::move(sessionBus), timeoutMs)
{
}

Outcome SuspendInhibitor::hold(bool on)
{
    if (!on) {
        m_logind.release();
        m_desktop.release();
        return Outcome::success();
    }
    const Outcome logind = m_logind.take(kReason);
    const Outcome desktop = m_desktop.take(kReason);
    if (logind.ok || desktop.ok)
        return Outcome::success();
    return Outcome::failure(QStringLiteral("Suspend requests cannot be refused: %1; %2.")
                                .arg(logind.error, desktop.error));
}

Outcome LinuxPlatform::holdSuspendInhibitor(bool hold)
{
    if (!m_inhibitor && !hold)
        return Outcome::success(); // nothing held, no bus to bother
    if (!m_inhibitor)
        m_inhibitor = std::make_unique<SuspendInhibitor>(QDBusConnection::systemBus(),
                                                         QDBusConnection::sessionBus());
    return m_inhibitor->hold(hold);
}

} // namespace zelkor
