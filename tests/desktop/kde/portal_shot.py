#!/usr/bin/python3
"""portal_shot.py OUT.png: the compositor's picture of the whole workspace through the
Screenshot portal, moved to OUT.png."""
import os, shutil, sys, time
from urllib.parse import unquote, urlparse
from gi.repository import Gio, GLib

bus = Gio.bus_get_sync(Gio.BusType.SESSION)
token = f"shot{os.getpid()}_{int(time.monotonic() * 1000)}"
sender = bus.get_unique_name()[1:].replace(".", "_")
path = f"/org/freedesktop/portal/desktop/request/{sender}/{token}"
loop, answer = GLib.MainLoop(), {}

def response(conn, sender_name, obj, iface, signal, params):
    answer["code"], answer["results"] = params.unpack()
    loop.quit()

bus.signal_subscribe("org.freedesktop.portal.Desktop", "org.freedesktop.portal.Request",
                     "Response", path, None, Gio.DBusSignalFlags.NO_MATCH_RULE, response)
bus.call_sync("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
              "org.freedesktop.portal.Screenshot", "Screenshot",
              GLib.Variant("(sa{sv})", ("", {"handle_token": GLib.Variant("s", token),
                                             "interactive": GLib.Variant("b", False)})),
              None, Gio.DBusCallFlags.NONE, 20000, None)
GLib.timeout_add_seconds(10, loop.quit)
loop.run()
if answer.get("code") != 0:
    sys.exit(f"portal_shot: no picture ({answer.get('code', 'no answer')})")
shutil.move(unquote(urlparse(answer["results"]["uri"]).path), sys.argv[1])
