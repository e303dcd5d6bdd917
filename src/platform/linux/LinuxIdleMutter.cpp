#include "platform/linux/IdleSource.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>

namespace zelkor {

namespace {
class MutterIdleSource final : public IdleSource {
public:
    MutterIdleSource()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            m_reason =
                QStringLiteral("There is no desktop session bus to ask how long it has been idle.");
        else if (!idleMs())
            m_reason = QStringLiteral("The desktop does not tell how long it has been idle "
                                      "(no GNOME idle monitor answers).");
    }

    std::optional<quint64> idleMs() override
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.Mutter.IdleMonitor"),
            QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
            QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("GetIdletime"));
        // Asked once a second from a timer: a stuck desktop must not freeze us.
        const QDBusReply<quint64> reply =
            QDBusConnection::sessionBus().call(call, QDBus::Block, 1000);
        if (!reply.isValid())
            return std::nullopt;
        return reply.value();
    }

    QString unavailableReason() const override { return m_reason; }

private:
    QString m_reason;
};
} // namespace

std::unique_ptr<IdleSource> createMutterIdleSource()
{
    return std::make_unique<MutterIdleSource>();
}

} // namespace zelkor
