#include "platform/linux/LogindSessions.h"

#include "platform/linux/LinuxPlatform.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <unistd.h>

namespace zelkor
{

namespace
{
const QString kService = QStringLiteral("org.freedesktop.login1");

QString sessionProperty(const QDBusConnection& bus, const QString& path, const QString& name,
                        int timeoutMs)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.login1.Session") << name;
    const QDBusMessage reply = bus.call(get, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toString();
}
} // namespace

QStringList otherUsersLoggedIn(const QDBusConnection& systemBus, uint ownUid, int timeoutMs)
{
    if (!systemBus.isConnected())
        return {};
    const QDBusMessage reply = systemBus.call(
        QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/login1"),
                                       QStringLiteral("org.freedesktop.login1.Manager"),
                                       QStringLiteral("ListSessions")),
        QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    QStringList names;
    const QDBusArgument list = reply.arguments().constFirst().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString id, user, seat;
        uint uid = 0;
        QDBusObjectPath path;
        list.beginStructure();
        list >> id >> uid >> user >> seat >> path;
        list.endStructure();
        if (uid == ownUid || names.contains(user))
            continue;
        // Each session is one more question: only those of other users.
        if (sessionProperty(systemBus, path.path(), QStringLiteral("Class"), timeoutMs) !=
                QLatin1String("user") ||
            sessionProperty(systemBus, path.path(), QStringLiteral("State"), timeoutMs) ==
                QLatin1String("closing"))
            continue;
        names.append(user);
    }
    list.endArray();
    names.sort();
    return names;
}

QStringList LinuxPlatform::otherUsersLoggedIn() const
{
    // logind answers at once; a hung one must not hold the warning up long.
    return zelkor::otherUsersLoggedIn(QDBusConnection::systemBus(), getuid(), 500);
}

} // namespace zelkor
