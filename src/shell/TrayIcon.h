#pragma once

#include <QElapsedTimer>
#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

class QDBusServiceWatcher;
class QMenu;
class QTimer;

namespace zelkor {

namespace trayhost {
class XEmbedTrayWatch;
}

// The notification-area icon. The toolkit decides once per process whether it
// talks to a StatusNotifier host or to an XEmbed tray, so the icon itself is
// made only once one of them is there (or after a short wait on X11); a tray
// that starts later, or restarts, still gets the icon. Trays are followed by
// what they announce (a StatusNotifierWatcher on the session bus, an XEmbed
// tray on the display), never by asking them in a loop: a program resting in
// the tray wakes for nothing.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    TrayIcon(QMenu* menu, const QIcon& icon, QObject* parent = nullptr);
    ~TrayIcon() override;

    void addTrayIcon();
    void setTrayTip(const QString& text);
    void removeTrayIcon();

    bool wanted() const { return m_wanted; }
    QString tip() const { return m_tip; }
    QSystemTrayIcon* icon() const { return m_icon; }

    // How long to wait for a StatusNotifier host before settling for XEmbed.
    static constexpr int kHostWaitMs = 5000;

signals:
    void clicked(); // a left click; a double click counts as a second one
    void shownInHostChanged(bool shown);

private slots:
    void probe();

private:
    void watchHosts();
    void create(bool statusNotifier);
    void setShownInHost(bool shown);
    bool hostPresent() const;

    QMenu* m_menu = nullptr;
    QIcon m_image;
    QString m_tip;
    QSystemTrayIcon* m_icon = nullptr;
    QDBusServiceWatcher* m_watcher = nullptr;
    trayhost::XEmbedTrayWatch* m_xembedWatch = nullptr;
    QTimer* m_hostWait = nullptr; // the end of the wait for a StatusNotifier host
    QElapsedTimer m_waiting;
    bool m_wanted = false;
    bool m_statusNotifier = false; // which kind of tray the icon was made for
    bool m_shownInHost = false;    // the icon is up in a tray the user can reach
};

} // namespace zelkor
