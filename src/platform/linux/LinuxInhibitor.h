#pragma once

#include "platform/Platform.h"

#include <QDBusConnection>

namespace zelkor {

// logind's "sleep" lock in block mode. logind hands out a file descriptor;
// the lock lasts as long as that descriptor stays open anywhere.
class LogindSleepLock {
public:
    LogindSleepLock(QDBusConnection systemBus, int timeoutMs);
    ~LogindSleepLock();
    LogindSleepLock(const LogindSleepLock&) = delete;
    LogindSleepLock& operator=(const LogindSleepLock&) = delete;

    Outcome take(const QString& reason);
    void release();
    bool held() const { return m_fd >= 0; }

private:
    QDBusConnection m_bus;
    int m_timeoutMs = 3000;
    int m_fd = -1;
};

// The desktop's own inhibitor. logind does not stop a suspend that the user
// asks for in the desktop, so the desktop is asked too: through the inhibit
// portal, or straight through the GNOME session manager.
class DesktopSuspendInhibitor {
public:
    DesktopSuspendInhibitor(QDBusConnection sessionBus, int timeoutMs);
    ~DesktopSuspendInhibitor();
    DesktopSuspendInhibitor(const DesktopSuspendInhibitor&) = delete;
    DesktopSuspendInhibitor& operator=(const DesktopSuspendInhibitor&) = delete;

    Outcome take(const QString& reason);
    void release();
    bool held() const { return m_via != Via::None; }

private:
    enum class Via { None, Portal, Gnome };
    QDBusConnection m_bus;
    int m_timeoutMs = 3000;
    Via m_via = Via::None;
    QString m_portalRequest; // the portal's handle, closed to release
    quint32 m_gnomeCookie = 0;
};

// Both of the above, held and released together; each is taken at most once.
class SuspendInhibitor {
public:
    SuspendInhibitor(QDBusConnection systemBus, QDBusConnection sessionBus, int timeoutMs = 3000);

    Outcome hold(bool on);
    bool logindHeld() const { return m_logind.held(); }
    bool desktopHeld() const { return m_desktop.held(); }

private:
    LogindSleepLock m_logind;
    DesktopSuspendInhibitor m_desktop;
};

} // namespace zelkor
