#pragma once

#include "platform/GlobalHotKey.h"

#include <QAbstractNativeEventFilter>
#include <QList>

#include <xcb/xcb.h>

namespace zelkor {

// Ctrl+Alt+H grabbed on every root window of the X display, once for each
// combination of Num Lock and Caps Lock, and read from the X events before
// the toolkit sees them.
class X11HotKey final : public GlobalHotKey, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit X11HotKey(xcb_connection_t* connection, QObject* parent = nullptr);
    ~X11HotKey() override;

    bool registerKey() override;
    void unregisterKey() override;
    bool isRegistered() const override { return !m_grabs.isEmpty(); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab {
        xcb_window_t root = XCB_WINDOW_NONE;
        uint16_t modifiers = 0;
    };
    QList<xcb_keycode_t> keycodesOf(uint32_t keysym) const;
    uint16_t numLockMask() const;
    bool grab(); // H's key as the keyboard map has it now
    void ungrabAll();
    // Whether the event tells of a new keyboard map (another layout chosen).
    bool changesKeymap(const xcb_generic_event_t& event) const;

    xcb_connection_t* m_connection = nullptr;
    xcb_keycode_t m_keycode = 0;
    uint16_t m_lockMasks = XCB_MOD_MASK_LOCK;
    QList<Grab> m_grabs;
    bool m_wanted = false; // registered, and not unregistered since
    bool m_filterInstalled = false;
    uint8_t m_keyboardEvent = 0; // the first event code of the keyboard extension; 0 without it
};

} // namespace zelkor
