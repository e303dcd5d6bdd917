#include "platform/TrayHostProbe.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <xcb/xcb.h>

#include <cstdlib>
#include <string>

namespace zelkor::trayhost {

namespace {
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

xcb_connection_t* x11Connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t internAtom(xcb_connection_t* c, const std::string& name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.c_str()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

xcb_window_t selectionOwner(xcb_connection_t* c, xcb_atom_t selection)
{
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const xcb_window_t window = owner ? owner->owner : xcb_window_t(XCB_WINDOW_NONE);
    std::free(owner);
    return window;
}

void selectStructureEvents(xcb_connection_t* c, xcb_window_t window)
{
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
}
} // namespace

bool statusNotifierHostPresent()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(kWatcher))
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(kWatcher, QStringLiteral("/StatusNotifierWatcher"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 1000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

bool xembedPossible() { return x11Connection() != nullptr; }

bool xembedTrayPresent()
{
    xcb_connection_t* c = x11Connection();
    if (!c)
        return false;
    int screen = 0;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it), ++screen) {
        const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(name.size()), name.c_str()), nullptr);
        if (!atom)
            continue;
        const xcb_atom_t selection = atom->atom;
        std::free(atom);
        if (selection == XCB_ATOM_NONE)
            continue;
        xcb_get_selection_owner_reply_t* owner =
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
        const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
        std::free(owner);
        if (owned)
            return true;
    }
    return false;
}

XEmbedTrayWatch::XEmbedTrayWatch(QObject* parent) : QObject(parent)
{
    if (!xembedPossible())
        return;
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    auto it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    m_selection = internAtom(m_connection, "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
    m_manager = internAtom(m_connection, "MANAGER");
    // A new tray announces itself to the root window's structure listeners.
    selectStructureEvents(m_connection, it.data->root);
    watchOwner();
    xcb_flush(m_connection);
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &XEmbedTrayWatch::readEvents);
}

XEmbedTrayWatch::~XEmbedTrayWatch()
{
    delete m_notifier; // before its descriptor goes
    if (m_connection)
        xcb_disconnect(m_connection);
}

void XEmbedTrayWatch::watchOwner()
{
    // The owner may go between the question and the selection of its events:
    // ask again until both agree.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_owner = m_selection ? selectionOwner(m_connection, m_selection) : xcb_window_t(XCB_WINDOW_NONE);
        if (m_owner == XCB_WINDOW_NONE)
            return;
        selectStructureEvents(m_connection, m_owner);
        if (selectionOwner(m_connection, m_selection) == m_owner)
            return;
    }
}

void XEmbedTrayWatch::readEvents()
{
    bool changedAtAll = false;
    for (;;) {
        bool changedNow = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            const int type = event->response_type & 0x7f;
            if (type == XCB_CLIENT_MESSAGE) {
                const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                changedNow |= message->type == m_manager && message->data.data32[1] == m_selection;
            } else if (type == XCB_DESTROY_NOTIFY) {
                changedNow |= reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == m_owner;
            }
            std::free(event);
        }
        if (!changedNow)
            break;
        changedAtAll = true;
        watchOwner(); // its answers may queue more events: read them too
        xcb_flush(m_connection);
    }
    if (xcb_connection_has_error(m_connection))
        m_notifier->setEnabled(false); // the display went away; nothing more will come
    if (changedAtAll)
        emit changed();
}

} // namespace zelkor::trayhost
