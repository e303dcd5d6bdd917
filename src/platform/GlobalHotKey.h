#pragma once

#include <QObject>

#include <memory>

namespace zelkor {

// The system-wide key Ctrl+Alt+H: exactly Control and Alt with H, whatever the
// state of Num Lock and Caps Lock. Chosen for the running desktop by
// createGlobalHotKey(); where the desktop offers no means, registering fails
// and the program runs without the key.
class GlobalHotKey : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // False when the key cannot be had, for instance because another program
    // holds it. Registering twice keeps one registration.
    virtual bool registerKey() = 0;
    virtual void unregisterKey() = 0;
    virtual bool isRegistered() const = 0;

signals:
    void activated();
};

// X11: a key grab on the root window; Wayland: the desktop's global shortcuts
// portal where there is one; elsewhere a key that never registers.
std::unique_ptr<GlobalHotKey> createGlobalHotKey();

} // namespace zelkor
