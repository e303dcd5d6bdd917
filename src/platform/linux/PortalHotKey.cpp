#include "platform/linux/PortalHotKey.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>

namespace {
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

// One entry of the portal's a(sa{sv}) shortcut list.
struct PortalShortcut {
    QString id;
    QVariantMap options;
};
} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace {
QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.options;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.options;
    argument.endStructure();
    return argument;
}
} // namespace

namespace zelkor {

PortalHotKey::PortalHotKey(QObject* parent) : GlobalHotKey(parent)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

PortalHotKey::~PortalHotKey() { unregisterKey(); }

QString PortalHotKey::requestPath(const QString& token) const
{
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

bool PortalHotKey::call(const QString& method, const QList<QVariant>& arguments, const QString& token,
                        const char* responseSlot)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Listen before asking, so that a quick answer is not missed.
    bus.connect(kService, requestPath(token), kRequest, QStringLiteral("Response"), this, responseSlot);
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    return bus.send(message);
}

bool PortalHotKey::registerKey()
{
    if (m_requested)
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(kService))
        return false;
    QDBusMessage version = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    version << kInterface << QStringLiteral("version");
    if (bus.call(version, QDBus::Block, 2000).type() != QDBusMessage::ReplyMessage)
        return false; // this desktop's portal has no global shortcuts
    bus.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                SLOT(onActivated(QDBusMessage)));
    const QString token = QStringLiteral("zelkor%1").arg(++m_tokens);
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("session_handle_token"), QStringLiteral("zelkor")}};
    m_requested = call(QStringLiteral("CreateSession"), {options}, token,
                       SLOT(onSessionCreated(uint, QVariantMap)));
    return m_requested;
}

void PortalHotKey::onSessionCreated(uint response, const QVariantMap& results)
{
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    m_session = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path() : handle.toString();
    if (response != 0 || m_session.isEmpty()) {
        m_requested = false;
        return;
    }
    const QList<PortalShortcut> shortcuts{
        {shortcutId(),
         {{QStringLiteral("description"), QStringLiteral("Hide or show Zelkor")},
          {QStringLiteral("preferred_trigger"), QStringLiteral("CTRL+ALT+h")}}}};
    const QString token = QStringLiteral("zelkor%1").arg(++m_tokens);
    call(QStringLiteral("BindShortcuts"),
         {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts), QString(),
          QVariantMap{{QStringLiteral("handle_token"), token}}},
         token, SLOT(onBound(uint, QVariantMap)));
}

void PortalHotKey::onBound(uint response, const QVariantMap& /*results*/) { m_bound = response == 0; }

void PortalHotKey::onActivated(const QDBusMessage& signal)
{
    // Activated(o session_handle, s shortcut_id, t timestamp, a{sv} options)
    const QList<QVariant> arguments = signal.arguments();
    if (!m_bound || arguments.size() < 2)
        return;
    const QString session = arguments.at(0).value<QDBusObjectPath>().path();
    if (session == m_session && arguments.at(1).toString() == shortcutId())
        emit activated();
}

void PortalHotKey::unregisterKey()
{
    if (!m_session.isEmpty()) {
        QDBusConnection::sessionBus().send(QDBusMessage::createMethodCall(
            kService, m_session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")));
    }
    m_session.clear();
    m_bound = false;
    m_requested = false;
}

} // namespace zelkor
