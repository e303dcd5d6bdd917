#include "platform/linux/X11HotKey.h"

#include <QCoreApplication>

#include <cstdlib>
#include <memory>

namespace zelkor {

namespace {
constexpr uint32_t kKeysymLowerH = 0x68;
constexpr uint32_t kKeysymUpperH = 0x48;
constexpr uint32_t kKeysymNumLock = 0xff7f;
constexpr uint16_t kModifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1; // Ctrl+Alt

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;
} // namespace

X11HotKey::X11HotKey(xcb_connection_t* connection, QObject* parent)
    : GlobalHotKey(parent), m_connection(connection)
{
}

X11HotKey::~X11HotKey()
{
    unregisterKey();
    if (m_filterInstalled && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

QList<xcb_keycode_t> X11HotKey::keycodesOf(uint32_t keysym) const
{
    QList<xcb_keycode_t> codes;
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    XcbReply<xcb_get_keyboard_mapping_reply_t> map(xcb_get_keyboard_mapping_reply(
        m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, uint8_t(count)), nullptr));
    if (!map || map->keysyms_per_keycode == 0)
        return codes;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int length = xcb_get_keyboard_mapping_keysyms_length(map.get());
    const int per = map->keysyms_per_keycode;
    for (int i = 0; i < length; ++i) {
        if (syms[i] == keysym) {
            const auto code = xcb_keycode_t(setup->min_keycode + i / per);
            if (!codes.contains(code))
                codes << code;
        }
    }
    return codes;
}

uint16_t X11HotKey::numLockMask() const
{
    const QList<xcb_keycode_t> numLock = keycodesOf(kKeysymNumLock);
    XcbReply<xcb_get_modifier_mapping_reply_t> mods(xcb_get_modifier_mapping_reply(
        m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    if (!mods || numLock.isEmpty())
        return 0;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mods.get());
    const int per = mods->keycodes_per_modifier;
    for (int mod = 0; mod < 8; ++mod)
        for (int k = 0; k < per; ++k)
            if (codes[mod * per + k] != 0 && numLock.contains(codes[mod * per + k]))
                return uint16_t(1u << mod);
    return 0;
}

bool X11HotKey::registerKey()
{
    if (isRegistered())
        return true;
    if (!m_connection)
        return false;
    m_wanted = true;
    if (!m_filterInstalled && QCoreApplication::instance()) {
        // Also while the key is refused: another layout may free it.
        QCoreApplication::instance()->installNativeEventFilter(this);
        m_filterInstalled = true;
        XcbReply<xcb_query_extension_reply_t> keyboard(xcb_query_extension_reply(
            m_connection, xcb_query_extension(m_connection, 9, "XKEYBOARD"), nullptr));
        if (keyboard && keyboard->present)
            m_keyboardEvent = keyboard->first_event;
    }
    return grab();
}

bool X11HotKey::grab()
{
    QList<xcb_keycode_t> codes = keycodesOf(kKeysymLowerH);
    if (codes.isEmpty())
        codes = keycodesOf(kKeysymUpperH);
    if (codes.isEmpty())
        return false;
    m_keycode = codes.constFirst();
    const uint16_t numLock = numLockMask();
    m_lockMasks = uint16_t(XCB_MOD_MASK_LOCK | numLock);
    QList<uint16_t> combinations{0, XCB_MOD_MASK_LOCK};
    if (numLock)
        combinations << numLock << uint16_t(numLock | XCB_MOD_MASK_LOCK);

    bool refused = false;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(m_connection)); it.rem; xcb_screen_next(&it)) {
        for (const uint16_t locks : combinations) {
            const uint16_t modifiers = kModifiers | locks;
            const xcb_void_cookie_t cookie =
                xcb_grab_key_checked(m_connection, 1, it.data->root, modifiers, m_keycode,
                                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie));
            if (error) {
                refused = true; // BadAccess: another program holds the key
                break;
            }
            m_grabs << Grab{it.data->root, modifiers};
        }
        if (refused)
            break;
    }
    if (refused)
        ungrabAll();
    return !refused;
}

void X11HotKey::ungrabAll()
{
    for (const Grab& grab : std::as_const(m_grabs))
        xcb_ungrab_key(m_connection, m_keycode, grab.root, grab.modifiers);
    if (!m_grabs.isEmpty())
        xcb_flush(m_connection);
    m_grabs.clear();
}

void X11HotKey::unregisterKey()
{
    m_wanted = false;
    if (m_connection)
        ungrabAll();
}

bool X11HotKey::changesKeymap(const xcb_generic_event_t& event) const
{
    const uint8_t type = event.response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY)
        return reinterpret_cast<const xcb_mapping_notify_event_t&>(event).request != XCB_MAPPING_POINTER;
    // With the keyboard extension the server tells of a new map by its own
    // events; their second byte says which: a new keyboard (0) or map (1).
    return m_keyboardEvent != 0 && type == m_keyboardEvent && event.pad0 <= 1;
}

bool X11HotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/)
{
    if (!m_wanted || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if (changesKeymap(*event)) {
        // Another layout may put H on another key: the grab follows it.
        ungrabAll();
        grab();
        return false; // the toolkit reads the new map as well
    }
    if (m_grabs.isEmpty() || (event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (key->detail != m_keycode || uint16_t(key->state & ~m_lockMasks & 0xff) != kModifiers)
        return false;
    bool grabbedWindow = false;
    for (const Grab& grab : std::as_const(m_grabs))
        grabbedWindow = grabbedWindow || grab.root == key->event;
    if (!grabbedWindow)
        return false;
    // Handled after the event: the handler hides and shows windows.
    QMetaObject::invokeMethod(this, &GlobalHotKey::activated, Qt::QueuedConnection);
    return true;
}

} // namespace zelkor
