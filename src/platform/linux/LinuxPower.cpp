#include "platform/linux/LinuxPower.h"

#include "platform/linux/LinuxPlatform.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QTimer>

namespace zelkor {

namespace {
const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

Outcome refusal(const QDBusError& error)
{
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
        return Outcome::failure(QStringLiteral(
            "Hibernation is not available: the login manager (logind) is not running."));
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownObject:
        return Outcome::failure(QStringLiteral(
            "Hibernation is not available: the login manager (logind) does not offer it."));
    default:
        return Outcome::failure(
            QStringLiteral("The system refused to hibernate: %1").arg(error.message()));
    }
}
} // namespace

LogindHibernation::LogindHibernation(QDBusConnection systemBus)
    : LogindHibernation(std::move(systemBus), Bounds{})
{
}

LogindHibernation::LogindHibernation(QDBusConnection systemBus, Bounds bounds)
    : m_bus(std::move(systemBus)), m_bounds(bounds)
{
    m_bound = new QTimer(this);
    m_bound->setSingleShot(true);
}

LogindHibernation::~LogindHibernation()
{
    if (m_loop)
        m_loop->quit();
}

Outcome LogindHibernation::hibernate()
{
    if (m_waiting)
        return Outcome::success();
    if (!m_bus.isConnected())
        return Outcome::failure(QStringLiteral(
            "Hibernation is not available: the system message bus cannot be reached."));

    // Listen before asking, so a quick signal is not missed.
    m_bus.connect(kService, kPath, kManager, QStringLiteral("PrepareForSleep"), this,
                  SLOT(prepareForSleep(bool)));

    QEventLoop loop;
    m_loop = &loop;
    m_waiting = true;
    m_asleep = false;
    // Left unchanged when the program quits during the wait: the request was made.
    m_outcome = Outcome::success();

    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kManager, QStringLiteral("Hibernate"));
    call << false; // not interactive: nobody is there to answer a password prompt
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, m_bounds.untilSleepMs), this);
    const quint64 request = ++m_request;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, request](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<> reply = *w;
                w->deleteLater();
                // A late answer to an earlier request must not end a later wait.
                if (reply.isError() && !m_asleep && m_loop && request == m_request)
                    finish(refusal(reply.error()));
            });
    const auto boundConnection = connect(m_bound, &QTimer::timeout, this, [this] {
        if (m_asleep) // the resume went unreported; the hibernation itself happened
            finish(Outcome::success());
        else
            finish(Outcome::failure(
                QStringLiteral("The system accepted the request to hibernate but did not "
                               "hibernate within %1 seconds.")
                    .arg(m_bounds.untilSleepMs / 1000.0)));
    });
    m_bound->start(m_bounds.untilSleepMs);

    loop.exec();

    disconnect(boundConnection);
    m_bound->stop();
    m_bus.disconnect(kService, kPath, kManager, QStringLiteral("PrepareForSleep"), this,
                     SLOT(prepareForSleep(bool)));
    m_loop = nullptr;
    m_waiting = false;
    return m_outcome;
}

void LogindHibernation::prepareForSleep(bool starting)
{
    if (!m_loop)
        return;
    if (starting) {
        m_asleep = true;
        m_bound->start(m_bounds.untilResumeMs);
        return;
    }
    finish(Outcome::success());
}

void LogindHibernation::finish(const Outcome& outcome)
{
    m_outcome = outcome;
    if (m_loop)
        m_loop->quit();
}

Outcome LinuxPlatform::hibernate()
{
    if (!m_hibernation)
        m_hibernation = std::make_unique<LogindHibernation>(QDBusConnection::systemBus());
    return m_hibernation->hibernate();
}

} // namespace zelkor
