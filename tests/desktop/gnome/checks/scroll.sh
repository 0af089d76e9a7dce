# A scrolling capture on GNOME equals the page. The desktop's screen-share question is answered
# once by injected clicks; the second capture runs without it, on the kept restore token.
# Sourced (or run) in a GNOME session that exports W (a work folder), WAYLAND_DISPLAY, and PATH
# with moxilane, wayland_image and wayland_scroll_view; HOME is the session user's.
# Sourced, it runs in a subshell of its own: a failure ends the check, not the session.
if [[ ${BASH_SOURCE[0]} != "$0" && -z ${SCROLL_CHECK_ALONE:-} ]]; then
    (SCROLL_CHECK_ALONE=1 && source "${BASH_SOURCE[0]}")
    return
fi
set -euo pipefail
cd "$W"
export XDG_CONFIG_HOME=${XDG_CONFIG_HOME:-$HOME/.config} QT_QPA_PLATFORM=wayland

scroll_fail() {
    echo "FAIL: scroll: $*" >&2
    gnome_do shot failed.png 2>/dev/null || true
    exit 1
}
# Runs the command every 0.2 s until it succeeds, for at most $1 seconds.
scroll_wait() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < end)) || return 1
        sleep 0.2
    done
}

# gnome_do input|shot ARGS: pointer and keys through Mutter's RemoteDesktop (move X Y, down,
# up, scroll N, key KEYSYM_HEX, sleep MS), or the Screenshot portal's picture into a file.
gnome_do() {
    python3 - "$@" <<'PY'
import shutil, sys, time
from urllib.parse import unquote, urlparse
from gi.repository import Gio, GLib

bus = Gio.bus_get_sync(Gio.BusType.SESSION)

def call(dest, path, iface, method, args=None, fmt=None):
    v = GLib.Variant(fmt, args) if fmt else None
    return bus.call_sync(dest, path, iface, method, v, None, Gio.DBusCallFlags.NONE, 20000, None).unpack()

def wait_signal(dest, iface, member, path, seconds):
    loop, got = GLib.MainLoop(), {}
    def on(c, s, o, i, sig, params):
        got["v"] = params.unpack()
        loop.quit()
    sid = bus.signal_subscribe(dest, iface, member, path, None, Gio.DBusSignalFlags.NO_MATCH_RULE, on)
    return loop, got, sid, seconds

def run(loop, got, sid, seconds):
    GLib.timeout_add_seconds(seconds, loop.quit)
    loop.run()
    bus.signal_unsubscribe(sid)
    return got.get("v")

def shot(out):
    token = "scrollcheck%d" % int(time.time() * 1000)
    sender = bus.get_unique_name()[1:].replace(".", "_")
    waiting = wait_signal("org.freedesktop.portal.Desktop", "org.freedesktop.portal.Request", "Response",
                          f"/org/freedesktop/portal/desktop/request/{sender}/{token}", 5)
    call("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Screenshot",
         "Screenshot", ("", {"handle_token": GLib.Variant("s", token), "interactive": GLib.Variant("b", False)}),
         "(sa{sv})")
    code, results = run(*waiting) or (9, {})
    if code != 0:
        sys.exit(f"the screenshot portal answered {code}")
    shutil.move(unquote(urlparse(results["uri"]).path), out)

def inject(cmds):
    RD, SC = "org.gnome.Mutter.RemoteDesktop", "org.gnome.Mutter.ScreenCast"
    rds = call(RD, "/org/gnome/Mutter/RemoteDesktop", RD, "CreateSession")[0]
    sid = call(RD, rds, "org.freedesktop.DBus.Properties", "Get", (RD + ".Session", "SessionId"), "(ss)")[0]
    # Absolute pointer positions are given in a screen-cast stream of the same session.
    sess = call(SC, "/org/gnome/Mutter/ScreenCast", SC, "CreateSession",
                ({"remote-desktop-session-id": GLib.Variant("s", sid)},), "(a{sv})")[0]
    monitor = call("org.gnome.Mutter.DisplayConfig", "/org/gnome/Mutter/DisplayConfig",
                   "org.gnome.Mutter.DisplayConfig", "GetCurrentState")[1][0][0][0]
    stream = call(SC, sess, SC + ".Session", "RecordMonitor", (monitor, {}), "(sa{sv})")[0]
    waiting = wait_signal(SC, SC + ".Stream", "PipeWireStreamAdded", stream, 5)
    call(RD, rds, RD + ".Session", "Start")
    run(*waiting)
    i = 0
    while i < len(cmds):
        c, s = cmds[i], RD + ".Session"
        if c == "move":
            call(RD, rds, s, "NotifyPointerMotionAbsolute", (stream, float(cmds[i + 1]), float(cmds[i + 2])), "(sdd)")
            i += 2
        elif c in ("down", "up"):
            call(RD, rds, s, "NotifyPointerButton", (0x110, c == "down"), "(ib)")
        elif c == "scroll":
            call(RD, rds, s, "NotifyPointerAxisDiscrete", (0, int(cmds[i + 1])), "(ui)")
            i += 1
        elif c == "key":
            for down in (True, False):
                call(RD, rds, s, "NotifyKeyboardKeysym", (int(cmds[i + 1], 16), down), "(ub)")
            i += 1
        elif c == "sleep":
            time.sleep(int(cmds[i + 1]) / 1000)
            i += 1
        i += 1
    call(RD, rds, RD + ".Session", "Stop")

if sys.argv[1] == "shot":
    shot(sys.argv[2])
else:
    inject(sys.argv[2:])
PY
}

# How many pixels of the screen differ from picture $1 now. The shell takes one screenshot at
# a time: one that overlaps the agent's own fails, and the caller tries again.
changed_now() {
    gnome_do shot now.png 2>/dev/null || return 1
    wayland_image changed "$1" now.png | cut -d' ' -f1
}
overlay_shown() {
    local n
    n=$(changed_now "$1") && ((n > 1920 * 1080 / 2))
}
overlay_gone() {
    local n
    n=$(changed_now "$1") && ((n < 1920 * 1080 / 2))
}
view_offset() { { grep '^offset' view.log || echo "offset 0"; } | tail -n1 | cut -d' ' -f2; }
saved_count() { find "$HOME/Shots" -maxdepth 1 -type f -name '*.png' | wc -l; }
has_saved() { (($(saved_count) >= $1)); }
saved() {
    scroll_wait 20 has_saved "$1" || scroll_fail "no file $1 in the save folder ($(tail -n3 agent.log))"
    find "$HOME/Shots" -maxdepth 1 -type f -name '*.png' | sort | sed -n "$1p"
}
token() { sed -n 's/^screenCastRestoreToken=//p' "$XDG_CONFIG_HOME/Moxilane/Moxilane.conf"; }
agent_listening() { compgen -G "$XDG_RUNTIME_DIR/moxilane-*.socket" >/dev/null; }

# The screenshots the check takes need the permission once given.
gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore \
    --object-path /org/freedesktop/impl/portal/PermissionStore \
    --method org.freedesktop.impl.portal.PermissionStore.SetPermission \
    screenshot true screenshot '' "['yes']" >/dev/null
# Out of the overview the shell starts in (a slow shell may not answer the first time).
scroll_wait 60 gnome_do input key ff1b 2>/dev/null || scroll_fail "Mutter takes no input"
mkdir -p "$HOME/Shots" "$XDG_CONFIG_HOME/Moxilane"
# The first-start questions answered: an open question would take the overlay's clicks.
printf '[General]\nsaveFolderBookmark=%s\ndidAskLaunchAtLogin=true\ndidOfferDesktopShortcuts=true\n' \
    "$HOME/Shots" >"$XDG_CONFIG_HOME/Moxilane/Moxilane.conf"
moxilane >agent.log 2>&1 &
AGENT=$!
trap 'kill $AGENT ${VIEW:-} 2>/dev/null || true' EXIT
scroll_wait 20 agent_listening || scroll_fail "the agent did not start listening"

# The desktop places the view: it is found by its page's first rows.
wayland_scroll_view 0 0 600 700 "$W/view.log" >view-stderr.log 2>&1 &
VIEW=$!
wayland_image page page.png
view_found() { gnome_do shot frozen.png && wayland_image find frozen.png page.png >view.at; }
scroll_wait 20 view_found || scroll_fail "the scroll view did not show"
read -r VX VY <view.at

# capture FIRST STEPS: selects 400 × 500 of the view from (50, 50), turns the wheel STEPS
# times beside the selection, then ends with the command; the file must be that part of the page.
capture() {
    local first=$1 steps=$2 n=$3 step start
    start=$(view_offset)
    gnome_do shot frozen.png
    moxilane scroll || scroll_fail "moxilane scroll failed"
    sleep 2 # the agent's own screenshot first
    scroll_wait 20 overlay_shown frozen.png || scroll_fail "no overlay"
    gnome_do input move $((VX + 50)) $((VY + 50)) sleep 100 down sleep 100 \
        move $((VX + 250)) $((VY + 300)) sleep 100 move $((VX + 450)) $((VY + 550)) sleep 100 up
    scroll_wait 20 overlay_gone frozen.png || scroll_fail "the overlay stayed"
    if [[ $first == first ]]; then
        # The desktop's question, centred: the monitor's row, then Share.
        sleep 3
        gnome_do shot dialog.png
        gnome_do input move 960 582 sleep 200 down up sleep 500 move 1172 428 sleep 200 down up
        scroll_wait 30 eval '[[ -n $(token) ]]' || scroll_fail "no restore token was kept"
    fi
    sleep 1
    for step in $(seq "$steps"); do
        # The pointer must have entered the view before the wheel turns.
        gnome_do input move $((VX + 550)) $((VY + 300)) sleep 150 scroll 1
        scroll_wait 10 eval "((\$(view_offset) == $start + $step * 60))" ||
            scroll_fail "step $step: offset $(view_offset)"
        sleep 0.6 # past a tick
    done
    moxilane scroll || scroll_fail "the second moxilane scroll failed"
    wayland_image equal page.png "$(saved "$n")" 50 $((50 + start)) 400 $((500 + steps * 60)) ||
        scroll_fail "capture $n is not the page"
}

capture first 6 1
# Had the question shown again, no frame would come and nothing would be saved.
capture again 3 2
[[ -n $(token) ]] || scroll_fail "the second run kept no token"
echo "scroll: two captures equal the page; the question was asked once"
