#pragma once

#include "platform/GlobalHotKey.h"

#include <QDBusObjectPath>
#include <QVariantMap>

class QDBusMessage;

namespace zelkor {

// Ctrl+Alt+H through the desktop portal's global shortcuts (KDE on Wayland):
// a session is created, the shortcut bound with Ctrl+Alt+H as its preferred
// trigger, and its activations read from the portal's signal. The desktop
// may ask the user first or choose another trigger; until the binding is
// confirmed the key is not registered.
class PortalHotKey final : public GlobalHotKey {
    Q_OBJECT
public:
    explicit PortalHotKey(QObject* parent = nullptr);
    ~PortalHotKey() override;

    // Starts the session; false when the desktop has no such portal.
    bool registerKey() override;
    void unregisterKey() override;
    bool isRegistered() const override { return m_bound; }

    static QString shortcutId() { return QStringLiteral("toggle-hidden"); }

private slots:
    void onSessionCreated(uint response, const QVariantMap& results);
    void onBound(uint response, const QVariantMap& results);
    void onActivated(const QDBusMessage& signal);

private:
    QString requestPath(const QString& token) const;
    bool call(const QString& method, const QList<QVariant>& arguments, const QString& token,
              const char* responseSlot);

    QString m_session; // object path of the portal session
    bool m_requested = false;
    bool m_bound = false;
    int m_tokens = 0;
};

} // namespace zelkor
