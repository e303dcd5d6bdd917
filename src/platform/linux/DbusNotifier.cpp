#include "platform/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QHash>
#include <QTimer>

namespace zelkor
{

namespace
{

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kAppId = QStringLiteral("org.example.zelkor.Zelkor");
// A server that does not answer within this is taken as none.
constexpr int kCallTimeoutMs = 3000;

class NullNotifier final : public DesktopNotifier
{
public:
    using DesktopNotifier::DesktopNotifier;
    void show(const NotificationRequest& request) override
    {
        const QString key = request.key;
        QTimer::singleShot(0, this, [this, key] { emit unavailable(key); });
    }
    void close(const QString&) override {}
};

class DbusNotifier final : public DesktopNotifier
{
    Q_OBJECT
public:
    explicit DbusNotifier(QObject* parent)
        : DesktopNotifier(parent), m_bus(QDBusConnection::sessionBus())
    {
        if (!m_bus.isConnected())
            return;
        m_bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                      SLOT(onActionInvoked(uint, QString)));
        m_bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                      SLOT(onClosed(uint, uint)));
    }

    void show(const NotificationRequest& request) override
    {
        if (!m_bus.isConnected()) {
            const QString key = request.key;
            QTimer::singleShot(0, this, [this, key] { emit unavailable(key); });
            return;
        }
        // The buttons only where the server has actions: asked each time, as
        // the server may have changed since.
        const QDBusMessage ask = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                                QStringLiteral("GetCapabilities"));
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask, kCallTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, request, watcher] {
            watcher->deleteLater();
            const QDBusPendingReply<QStringList> caps = *watcher;
            if (caps.isError()) {
                emit unavailable(request.key);
                return;
            }
            notify(request, caps.value().contains(QStringLiteral("actions")));
        });
    }

    void close(const QString& key) override
    {
        const uint id = m_ids.key(key, 0);
        if (!id)
            return;
        m_ids.remove(id);
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                           QStringLiteral("CloseNotification"));
        call << id;
        m_bus.asyncCall(call, kCallTimeoutMs);
    }

private slots:
    void onActionInvoked(uint id, const QString& action)
    {
        const QString key = m_ids.value(id);
        if (!key.isEmpty())
            emit buttonPressed(key, action);
    }
    void onClosed(uint id, uint) { m_ids.remove(id); }

private:
    void notify(const NotificationRequest& request, bool withButtons)
    {
        QStringList actions;
        if (withButtons)
            for (const auto& [id, caption] : request.buttons)
                actions << id << caption;
        QVariantMap hints;
        hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(2))); // critical
        hints.insert(QStringLiteral("desktop-entry"), kAppId);
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
        call << QStringLiteral("Zelkor") << uint(0) << kAppId << request.title << request.body
             << actions << hints << int(0);
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, request, withButtons, watcher] {
                    watcher->deleteLater();
                    const QDBusPendingReply<uint> reply = *watcher;
                    if (reply.isError()) {
                        emit unavailable(request.key);
                        return;
                    }
                    m_ids.insert(reply.value(), request.key);
                    emit shown(request.key, withButtons);
                });
    }

    QDBusConnection m_bus;
    QHash<uint, QString> m_ids; // notification id -> key
};

} // namespace

std::unique_ptr<DesktopNotifier> createDesktopNotifier(QObject* parent)
{
    return std::make_unique<DbusNotifier>(parent);
}

std::unique_ptr<DesktopNotifier> createNullNotifier(QObject* parent)
{
    return std::make_unique<NullNotifier>(parent);
}

} // namespace zelkor

#include "DbusNotifier.moc"
