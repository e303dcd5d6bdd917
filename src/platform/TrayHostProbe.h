#pragma once

#include <QObject>

#include <cstdint>

class QSocketNotifier;
struct xcb_connection_t;

// Whether something on the desktop can show a tray icon. Asked before the icon
// is made, because the toolkit settles once per process which kind of tray it
// talks to.
namespace zelkor::trayhost {

// A StatusNotifierWatcher on the session bus with a host registered.
bool statusNotifierHostPresent();
// An XEmbed system tray on the X display (never on other window systems).
bool xembedTrayPresent();
// Whether XEmbed trays exist on this window system at all.
bool xembedPossible();

// Tells when an XEmbed tray appears on the X display or the current one goes
// away, without asking the display again and again: a connection of its own
// hears the announcement of every new tray and the end of the current one.
// Where there is no X display it never says anything.
class XEmbedTrayWatch : public QObject {
    Q_OBJECT
public:
    explicit XEmbedTrayWatch(QObject* parent = nullptr);
    ~XEmbedTrayWatch() override;
    XEmbedTrayWatch(const XEmbedTrayWatch&) = delete;
    XEmbedTrayWatch& operator=(const XEmbedTrayWatch&) = delete;

    bool isWatching() const { return m_connection != nullptr; }

signals:
    void changed();

private:
    void watchOwner();
    void readEvents();

    xcb_connection_t* m_connection = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    uint32_t m_selection = 0; // _NET_SYSTEM_TRAY_Sn
    uint32_t m_manager = 0;   // MANAGER, the announcement of a new owner
    uint32_t m_owner = 0;     // the tray's window, 0 while there is none
};

} // namespace zelkor::trayhost
