#pragma once

#include "MockBuses.h"

namespace zelkor::test {

// Names of the services the program talks to, for finding them in the mocks.
namespace login1 {
inline const QString service = QStringLiteral("org.freedesktop.login1");
inline const QString path = QStringLiteral("/org/freedesktop/login1");
inline const QString manager = QStringLiteral("org.freedesktop.login1.Manager");
inline const QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/auto");
inline const QString session = QStringLiteral("org.freedesktop.login1.Session");
} // namespace login1

namespace gnome {
inline const QString service = QStringLiteral("org.gnome.SessionManager");
inline const QString path = QStringLiteral("/org/gnome/SessionManager");
} // namespace gnome

namespace portal {
inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString inhibit = QStringLiteral("org.freedesktop.portal.Inhibit");
inline const QString requestPath =
    QStringLiteral("/org/freedesktop/portal/desktop/request/1_1/zelkor");
} // namespace portal

struct LogindSetup {
    bool withFlags = true;   // the *WithFlags methods the stock template lacks
    bool session = true;     // a session object at session/auto
    bool sessionLock = true; // ... and whether it has Lock
};

// The stock logind template plus what it lacks, on the system bus.
bool startLogind(MockBuses& buses, const LogindSetup& setup = {});

// Desktop services on the session bus; every method is recorded and succeeds.
MockSpec gnomeSessionManager();
MockSpec kdeShutdown();
MockSpec ksmserver();
MockSpec xfceSessionManager();
MockSpec screenSaver();
// One of the above by a short name: gnome, kde, ksmserver, xfce, screensaver.
MockSpec desktopMock(const QString& kind);
// The inhibit portal; also adds the request object its Inhibit returns.
bool startInhibitPortal(MockBuses& buses);

} // namespace zelkor::test
