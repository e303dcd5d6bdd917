#include "MockServices.h"

namespace zelkor::test {

bool startLogind(MockBuses& buses, const LogindSetup& setup)
{
    MockSpec mock;
    mock.bus = Bus::System;
    mock.name = login1::service;
    mock.path = login1::path;
    mock.interface = login1::manager;
    mock.templateName = QStringLiteral("logind");
    if (!buses.startMock(mock))
        return false;
    if (setup.withFlags &&
        !buses.addMethods(login1::service, login1::path, login1::manager,
                          {{QStringLiteral("PowerOffWithFlags"), QStringLiteral("t"), {}, {}},
                           {QStringLiteral("RebootWithFlags"), QStringLiteral("t"), {}, {}},
                           {QStringLiteral("SuspendWithFlags"), QStringLiteral("t"), {}, {}},
                           {QStringLiteral("HibernateWithFlags"), QStringLiteral("t"), {}, {}}}))
        return false;
    bool ok = true;
    if (setup.session && setup.sessionLock) {
        ok = buses
                 .control(login1::service, login1::path, QStringLiteral("AddSession"),
                          {QStringLiteral("auto"), QStringLiteral("seat0"),
                           QVariant::fromValue(1000u), QStringLiteral("user"), true})
                 .type() != QDBusMessage::ErrorMessage;
    } else if (setup.session) {
        ok = buses.addObject(login1::service, login1::sessionPath, login1::session, {},
                             {{QStringLiteral("Terminate"), {}, {}, {}}});
    }
    // The template records its own set-up helpers (AddSession...) as calls.
    return ok && buses.clearCalls(login1::service, login1::path);
}

MockSpec gnomeSessionManager()
{
    return {Bus::Session,
            gnome::service,
            gnome::path,
            QStringLiteral("org.gnome.SessionManager"),
            {{QStringLiteral("Shutdown"), {}, {}, {}},
             {QStringLiteral("Reboot"), {}, {}, {}},
             {QStringLiteral("Logout"), QStringLiteral("u"), {}, {}},
             {QStringLiteral("Inhibit"), QStringLiteral("susu"), QStringLiteral("u"),
              QStringLiteral("ret = 42")},
             {QStringLiteral("Uninhibit"), QStringLiteral("u"), {}, {}}},
            {},
            {}};
}

MockSpec kdeShutdown()
{
    return {Bus::Session,
            QStringLiteral("org.kde.Shutdown"),
            QStringLiteral("/Shutdown"),
            QStringLiteral("org.kde.Shutdown"),
            {{QStringLiteral("logoutAndShutdown"), {}, {}, {}},
             {QStringLiteral("logoutAndReboot"), {}, {}, {}},
             {QStringLiteral("logout"), {}, {}, {}}},
            {},
            {}};
}

MockSpec ksmserver()
{
    return {Bus::Session,
            QStringLiteral("org.kde.ksmserver"),
            QStringLiteral("/KSMServer"),
            QStringLiteral("org.kde.KSMServerInterface"),
            {{QStringLiteral("logout"), QStringLiteral("iii"), {}, {}}},
            {},
            {}};
}

MockSpec xfceSessionManager()
{
    return {Bus::Session,
            QStringLiteral("org.xfce.SessionManager"),
            QStringLiteral("/org/xfce/SessionManager"),
            QStringLiteral("org.xfce.Session.Manager"),
            {{QStringLiteral("Shutdown"), QStringLiteral("b"), {}, {}},
             {QStringLiteral("Restart"), QStringLiteral("b"), {}, {}},
             {QStringLiteral("Logout"), QStringLiteral("bb"), {}, {}}},
            {},
            {}};
}

MockSpec screenSaver()
{
    return {Bus::Session,
            QStringLiteral("org.freedesktop.ScreenSaver"),
            QStringLiteral("/org/freedesktop/ScreenSaver"),
            QStringLiteral("org.freedesktop.ScreenSaver"),
            {{QStringLiteral("Lock"), {}, {}, {}}},
            {},
            {}};
}

MockSpec desktopMock(const QString& kind)
{
    if (kind == QLatin1String("gnome"))
        return gnomeSessionManager();
    if (kind == QLatin1String("kde"))
        return kdeShutdown();
    if (kind == QLatin1String("ksmserver"))
        return ksmserver();
    if (kind == QLatin1String("xfce"))
        return xfceSessionManager();
    if (kind == QLatin1String("screensaver"))
        return screenSaver();
    return {};
}

bool startInhibitPortal(MockBuses& buses)
{
    MockSpec mock{Bus::Session,
                  portal::service,
                  portal::path,
                  portal::inhibit,
                  {{QStringLiteral("Inhibit"), QStringLiteral("sua{sv}"), QStringLiteral("o"),
                    QStringLiteral("ret = dbus.ObjectPath('%1')").arg(portal::requestPath)}},
                  {},
                  {}};
    return buses.startMock(mock) &&
           buses.addObject(portal::service, portal::requestPath,
                           QStringLiteral("org.freedesktop.portal.Request"), {},
                           {{QStringLiteral("Close"), {}, {}, {}}});
}

} // namespace zelkor::test
