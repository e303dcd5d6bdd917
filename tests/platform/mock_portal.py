#!/usr/bin/python3
"""A stand-in for the desktop portal's global shortcuts on a private session
bus, with a small test interface to trigger a shortcut and to read what the
client bound."""
import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

GS = "org.freedesktop.portal.GlobalShortcuts"
PORTAL_PATH = "/org/freedesktop/portal/desktop"

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
state = {"bound": [], "closed": [], "sessions": []}


def sender_part(sender):
    return sender[1:].replace(".", "_")


class Request(dbus.service.Object):
    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, response, results):
        pass


class Session(dbus.service.Object):
    def __init__(self, path):
        super().__init__(bus, path)
        self.path = path

    @dbus.service.method("org.freedesktop.portal.Session")
    def Close(self):
        state["closed"].append(self.path)
        self.remove_from_connection()


def answer(sender, token, results):
    request = Request(bus, "%s/request/%s/%s" % (PORTAL_PATH, sender_part(sender), token))
    GLib.timeout_add(20, lambda: request.Response(dbus.UInt32(0), dbus.Dictionary(results, signature="sv")) and False)
    return dbus.ObjectPath(request.__dbus_object_path__)


class Portal(dbus.service.Object):
    def __init__(self):
        super().__init__(bus, PORTAL_PATH)

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        if interface == GS and prop == "version":
            return dbus.UInt32(1)
        raise dbus.exceptions.DBusException("no such property", name="org.freedesktop.DBus.Error.InvalidArgs")

    @dbus.service.method(GS, in_signature="a{sv}", out_signature="o", sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        path = "%s/session/%s/%s" % (PORTAL_PATH, sender_part(sender), options["session_handle_token"])
        Session(path)
        state["sessions"].append(path)
        return answer(sender, options["handle_token"], {"session_handle": dbus.ObjectPath(path)})

    @dbus.service.method(GS, in_signature="oa(sa{sv})sa{sv}", out_signature="o", sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent_window, options, sender=None):
        for shortcut_id, props in shortcuts:
            state["bound"].append("%s %s" % (shortcut_id, props.get("preferred_trigger", "")))
        return answer(sender, options["handle_token"], {})

    @dbus.service.signal(GS, signature="osta{sv}")
    def Activated(self, session, shortcut_id, timestamp, options):
        pass


class Control(dbus.service.Object):
    def __init__(self, portal):
        super().__init__(bus, "/test")
        self.portal = portal

    @dbus.service.method("org.zelkor.Test", in_signature="s")
    def Activate(self, shortcut_id):
        for session in state["sessions"]:
            self.portal.Activated(dbus.ObjectPath(session), shortcut_id, dbus.UInt64(0),
                                  dbus.Dictionary({}, signature="sv"))

    @dbus.service.method("org.zelkor.Test", out_signature="as")
    def Bound(self):
        return state["bound"]

    @dbus.service.method("org.zelkor.Test", out_signature="as")
    def Closed(self):
        return state["closed"]


portal = Portal()
Control(portal)
name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus)  # held while it lives
GLib.MainLoop().run()
