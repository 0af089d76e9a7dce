# Ctrl+Shift+1, pressed by position through KWin's fake keyboard, reaches the agent through
# the desktop's shortcuts portal and starts an area capture; Esc ends it. A trigger the user
# changes (as System Settings does, through kglobalaccel) is kept when the agent restarts.
start_view 640 480
start_agent
park_pointer
still_shot frozen.png
# evdev: 29 left Ctrl, 42 left Shift, 56 left Alt, 2 the key 1, 37 K, 1 Esc.
press() { kfake keydown 29 keydown "$1" sleep 50 key "$2" sleep 50 keyup "$1" keyup 29; }
shown() { press "$1" "$2"; sleep 1; overlay_shown frozen.png; }
WAIT_S=30 wait_for shown 42 2 || fail "Ctrl+Shift+1 started no capture: $(cat agent.log)"
kfake key 1
accel() {
    python3 -c 'import sys; from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
args = GLib.Variant(sys.argv[2], tuple(eval(a) for a in sys.argv[3:]))
print(bus.call_sync("org.kde.kglobalaccel", "/kglobalaccel", "org.kde.KGlobalAccel",
    sys.argv[1], args, None, 0, 5000, None).unpack())' "$@"
}
area_action='["moxilane", "area", "moxilane", "Capture Area"]'
ctrl_alt_k=$((0x04000000 | 0x08000000 | 0x4B))
accel setForeignShortcut '(asai)' "$area_action" "[$ctrl_alt_k]" >/dev/null
kill "$AGENT"
wait "$AGENT" 2>/dev/null
rm -f "$XDG_RUNTIME_DIR"/moxilane-*.socket
start_agent
sleep 3
[[ $(accel shortcut '(as)' "$area_action") == "([$ctrl_alt_k],)" ]] ||
    fail "the changed trigger was lost: $(accel shortcut '(as)' "$area_action")"
WAIT_S=30 wait_for shown 56 37 || fail "the changed trigger Ctrl+Alt+K started no capture"
kfake key 1
