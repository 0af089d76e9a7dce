#!/usr/bin/python3
"""What the GNOME checks ask of the desktop over the session bus.

  gnome_input.py grant [no]            pre-grants (or denies) the portal's screenshot permission
  gnome_input.py stored                our stored answer: yes, no or none
  gnome_input.py shot OUT.png          the Screenshot portal's own picture, moved to OUT.png
  gnome_input.py input CMD...          Mutter RemoteDesktop: move X Y | down | up | key HEX |
                                       keydown HEX | keyup HEX | sleep MS
"""
import os, shutil, sys, time
from urllib.parse import unquote, urlparse
from gi.repository import Gio, GLib

bus = Gio.bus_get_sync(Gio.BusType.SESSION)
SC, RD = "org.gnome.Mutter.ScreenCast", "org.gnome.Mutter.RemoteDesktop"
PORTAL, PORTAL_PATH = "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop"


def call(dest, path, iface, method, args=None, fmt=None, timeout=10000):
    v = GLib.Variant(fmt, args) if fmt else None
    return bus.call_sync(dest, path, iface, method, v, None, Gio.DBusCallFlags.NONE, timeout, None).unpack()


STORE = ("org.freedesktop.impl.portal.PermissionStore", "/org/freedesktop/impl/portal/PermissionStore",
         "org.freedesktop.impl.portal.PermissionStore")


def grant(answer="yes"):
    call(*STORE, "SetPermission", ("screenshot", True, "screenshot", "", [answer]), "(sbssas)")


def stored():
    try:
        print(call(*STORE, "Lookup", ("screenshot", "screenshot"), "(ss)")[0].get("", ["none"])[0])
    except GLib.Error:
        print("none")


def shot(out):
    token = f"checks{os.getpid()}"
    sender = bus.get_unique_name()[1:].replace(".", "_")
    path = f"{PORTAL_PATH}/request/{sender}/{token}"
    loop, answer = GLib.MainLoop(), {}

    def on_response(c, s, o, i, sig, params):
        answer["code"], answer["results"] = params.unpack()
        loop.quit()

    bus.signal_subscribe(PORTAL, "org.freedesktop.portal.Request", "Response", path, None,
                         Gio.DBusSignalFlags.NO_MATCH_RULE, on_response)
    call(PORTAL, PORTAL_PATH, "org.freedesktop.portal.Screenshot", "Screenshot",
         ("", {"handle_token": GLib.Variant("s", token), "interactive": GLib.Variant("b", False)}), "(sa{sv})")
    GLib.timeout_add_seconds(20, loop.quit)
    loop.run()
    if answer.get("code") != 0:
        sys.exit(f"the portal answered {answer.get('code', 'nothing')}")
    shutil.move(unquote(urlparse(answer["results"]["uri"]).path), out)


def monitor_connector():
    state = call("org.gnome.Mutter.DisplayConfig", "/org/gnome/Mutter/DisplayConfig",
                 "org.gnome.Mutter.DisplayConfig", "GetCurrentState")
    return state[1][0][0][0]


def inject(cmds):
    session = call(RD, "/org/gnome/Mutter/RemoteDesktop", RD, "CreateSession")[0]
    sid = call(RD, session, "org.freedesktop.DBus.Properties", "Get", (RD + ".Session", "SessionId"), "(ss)")[0]
    # Absolute pointer motion is relative to a stream of the same session.
    cast = call(SC, "/org/gnome/Mutter/ScreenCast", SC, "CreateSession",
                ({"remote-desktop-session-id": GLib.Variant("s", sid)},), "(a{sv})")[0]
    stream = call(SC, cast, SC + ".Session", "RecordMonitor",
                  (monitor_connector(), {"cursor-mode": GLib.Variant("u", 0)}), "(sa{sv})")[0]
    loop = GLib.MainLoop()
    bus.signal_subscribe(SC, SC + ".Stream", "PipeWireStreamAdded", stream, None,
                         Gio.DBusSignalFlags.NONE, lambda *a: loop.quit())
    call(RD, session, RD + ".Session", "Start")
    GLib.timeout_add(5000, loop.quit)
    loop.run()
    s = RD + ".Session"
    i = 0
    while i < len(cmds):
        c = cmds[i]
        if c == "move":
            call(RD, session, s, "NotifyPointerMotionAbsolute", (stream, float(cmds[i + 1]), float(cmds[i + 2])), "(sdd)")
            i += 2
        elif c in ("down", "up"):
            call(RD, session, s, "NotifyPointerButton", (0x110, c == "down"), "(ib)")
        elif c == "key":
            for pressed in (True, False):
                call(RD, session, s, "NotifyKeyboardKeysym", (int(cmds[i + 1], 16), pressed), "(ub)")
            i += 1
        elif c in ("keydown", "keyup"):
            call(RD, session, s, "NotifyKeyboardKeysym", (int(cmds[i + 1], 16), c == "keydown"), "(ub)")
            i += 1
        elif c == "sleep":
            time.sleep(int(cmds[i + 1]) / 1000)
            i += 1
        else:
            sys.exit(f"unknown input {c}")
        i += 1
    call(RD, session, s, "Stop")


if __name__ == "__main__":
    {"grant": lambda: grant(*sys.argv[2:3]), "stored": stored, "shot": lambda: shot(sys.argv[2]), "input": lambda: inject(sys.argv[2:])}[sys.argv[1]]()
