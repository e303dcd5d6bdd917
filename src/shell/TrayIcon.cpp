#include "shell/TrayIcon.h"

#include "platform/TrayHostProbe.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QMenu>
#include <QTimer>

namespace zelkor {

TrayIcon::TrayIcon(QMenu* menu, const QIcon& icon, QObject* parent)
    : QObject(parent), m_menu(menu), m_image(icon)
{
    m_hostWait = new QTimer(this);
    m_hostWait->setSingleShot(true);
    connect(m_hostWait, &QTimer::timeout, this, &TrayIcon::probe);
}

TrayIcon::~TrayIcon() { delete m_icon; }

void TrayIcon::addTrayIcon()
{
    m_wanted = true;
    if (m_icon) {
        m_icon->show();
        probe();
        return;
    }
    if (!m_waiting.isValid()) {
        m_waiting.start();
        watchHosts();
    }
    probe();
    // On X11 the icon settles for an XEmbed tray after a while; elsewhere it
    // waits for a StatusNotifier host to come.
    if (!m_icon && trayhost::xembedPossible() && !m_hostWait->isActive())
        m_hostWait->start(int(qMax<qint64>(0, kHostWaitMs - m_waiting.elapsed())) + 1);
}

void TrayIcon::watchHosts()
{
    const QString service = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        m_watcher = new QDBusServiceWatcher(service, bus,
                                            QDBusServiceWatcher::WatchForRegistration |
                                                QDBusServiceWatcher::WatchForUnregistration,
                                            this);
        connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayIcon::probe);
        connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, &TrayIcon::probe);
        for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
            bus.connect(service, QStringLiteral("/StatusNotifierWatcher"), service, QLatin1String(signal), this,
                        SLOT(probe()));
    }
    m_xembedWatch = new trayhost::XEmbedTrayWatch(this);
    connect(m_xembedWatch, &trayhost::XEmbedTrayWatch::changed, this, &TrayIcon::probe);
}

void TrayIcon::setTrayTip(const QString& text)
{
    m_tip = text;
    if (m_icon)
        m_icon->setToolTip(text);
}

void TrayIcon::removeTrayIcon()
{
    m_wanted = false;
    if (m_icon)
        m_icon->hide();
    setShownInHost(false);
}

void TrayIcon::create(bool statusNotifier)
{
    m_statusNotifier = statusNotifier;
    m_icon = new QSystemTrayIcon(m_image, this);
    m_icon->setContextMenu(m_menu);
    m_icon->setToolTip(m_tip);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            emit clicked();
    });
    m_hostWait->stop();
    if (m_wanted)
        m_icon->show();
}

bool TrayIcon::hostPresent() const
{
    return m_statusNotifier ? trayhost::statusNotifierHostPresent() : trayhost::xembedTrayPresent();
}

void TrayIcon::probe()
{
    const bool made = !m_icon;
    if (made) {
        if (trayhost::statusNotifierHostPresent())
            create(true);
        else if (trayhost::xembedTrayPresent() ||
                 (trayhost::xembedPossible() && m_waiting.isValid() && m_waiting.hasExpired(kHostWaitMs)))
            create(false);
        // Other window systems have no XEmbed: keep waiting for a host.
        if (!m_icon)
            return;
    }
    const bool present = hostPresent();
    if (m_wanted && present && !m_shownInHost && !made) {
        // A tray that appeared after the icon was shown: show it again so the
        // toolkit docks it there. An icon made just now went to that tray
        // already; showing it again would register it twice.
        m_icon->hide();
        m_icon->show();
    }
    setShownInHost(m_wanted && present);
}

void TrayIcon::setShownInHost(bool shown)
{
    if (shown == m_shownInHost)
        return;
    m_shownInHost = shown;
    emit shownInHostChanged(shown);
}

} // namespace zelkor
