# One headless GNOME Shell for every check (see run.sh): a private system bus (the shell
# leaves without one), PipeWire for Mutter's streams, the shell on a 1920x1080 virtual
# monitor, GNOME's portal back-end and the portal itself, the media-keys daemon that runs
# custom key bindings. Then the screenshot permission is granted, the overview left, and
# each check runs in a subshell of its own.
set -uo pipefail
cd "$W"
# The bus and the services it starts write to run.sh's bus.log; our own words go out.
exec 2>&1
export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland XDG_SESSION_DESKTOP=gnome
export XDG_CONFIG_HOME=$HOME/.config QT_QPA_PLATFORM=wayland
# A service stuck in its start ignores the first signal: the second one ends it.
trap 'kill $(jobs -p) 2>/dev/null; sleep 1; kill -9 $(jobs -p) 2>/dev/null; wait' EXIT
source ./lib.sh

dbus-daemon --session --nofork --print-address=3 3>sysbus.addr >sysbus.log 2>&1 &
wait_for test -s sysbus.addr || fail "no private system bus"
export DBUS_SYSTEM_BUS_ADDRESS=$(head -1 sysbus.addr)
pipewire >pipewire.log 2>&1 &
wait_for test -S "$XDG_RUNTIME_DIR/pipewire-0" || fail "PipeWire did not start"
wireplumber >wireplumber.log 2>&1 &
gnome-shell --headless --wayland --no-x11 --virtual-monitor 1920x1080 \
    --wayland-display wayland-gn >shell.log 2>&1 &
SHELL_PID=$!
WAIT_S=60 wait_for test -S "$XDG_RUNTIME_DIR/wayland-gn" || fail "GNOME Shell did not start"
export WAYLAND_DISPLAY=wayland-gn
dbus-update-activation-environment WAYLAND_DISPLAY XDG_CURRENT_DESKTOP XDG_SESSION_TYPE \
    QT_QPA_PLATFORM 2>/dev/null
WAIT_S=60 wait_for shell_on_bus || fail "GNOME Shell did not come onto the bus"
# GNOME's portal back-end hangs when it starts before the shell has settled.
sleep 3
/usr/libexec/xdg-desktop-portal-gnome >portal-gnome.log 2>&1 &
# On the bus before the portal asks for it: else the bus starts a second one, and both hang.
WAIT_S=30 wait_for on_bus org.freedesktop.impl.portal.desktop.gnome ||
    fail "GNOME's portal back-end did not come onto the bus"
# The portal falls back to any installed back-end for what GNOME's lacks: show it GNOME's.
mkdir -p portals
cp /usr/share/xdg-desktop-portal/portals/{gnome,gtk}.portal portals/ 2>/dev/null
XDG_DESKTOP_PORTAL_DIR=$W/portals /usr/libexec/xdg-desktop-portal -r >portal.log 2>&1 &
/usr/libexec/gsd-media-keys >media-keys.log 2>&1 &
WAIT_S=30 wait_for portal_on_bus || fail "the portal did not come onto the bus"
python3 gnome_input.py grant || fail "cannot grant the screenshot permission"
# GNOME starts in the overview; Escape leaves it.
python3 gnome_input.py input key ff1b || fail "cannot leave the overview"
sleep 2
echo "GNOME Shell up ($(gnome-shell --version))"

failed=0
for check in checks/*.sh; do
    name=$(basename "$check" .sh)
    [[ -z $CHECKS || " $CHECKS " == *" $name "* ]] || continue
    # The last check's notification stays while GNOME sees no input: move the pointer aside.
    gnome_input move 1900 1000 >/dev/null 2>&1
    python3 gnome_input.py grant  # a check may have denied it
    WAIT_S=20 wait_for settled || echo "the screen did not settle before $name"
    if (source "$check") >"$name.log" 2>&1; then
        echo "PASS $name"
        [[ -z ${SHOW:-} ]] || cat "$name.log"
    else
        echo "FAIL $name"
        sed 's/^/    /' "$name.log" | tail -n 15
        failed=1
    fi
done
kill -0 $SHELL_PID 2>/dev/null || { echo "FAIL: GNOME Shell ended during the checks"; failed=1; }
exit $failed
