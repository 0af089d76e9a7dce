# A headless sway for one check, as the user that runs it (see run.sh): one 1920x1080 output
# with a background on which every pixel differs from its neighbours, so a shifted or scaled
# picture shows; swaybar as the tray host; then the check, sourced with lib.sh.
set -euo pipefail
cd "$W"
export WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman
export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland
export XDG_CONFIG_HOME=$HOME/.config
wayland_image pattern 1920 1080 1 bg-1.png
wayland_image pattern 1280 720 2 bg-2.png
# The key binding for area captures as `moxilane --help` gives it.
binding=$(moxilane --help | grep -o -m1 'bindsym .*Ctrl+Shift+1 exec .*') ||
    { echo "FAIL: moxilane --help gives no binding for Ctrl+Shift+1"; exit 1; }
cat >sway.conf <<CONF
output HEADLESS-1 resolution 1920x1080 position 0,0 bg $W/bg-1.png center
# The second output, once a check creates it.
output HEADLESS-2 resolution 1280x720 position 1920,0 bg $W/bg-2.png center
default_border none
default_floating_border none
# The headless output draws the cursor into its pixels, where screencopy clients such as grim
# see it: hide it once the pointer rests.
seat * hide_cursor 100
$binding
bar {
    position bottom
}
CONF
sway ${SWAY_DEBUG:+-d} -c sway.conf >sway.log 2>&1 &
SWAY=$!
trap 'kill $(jobs -p) 2>/dev/null; wait' EXIT
for _ in $(seq 100); do
    [[ -S $XDG_RUNTIME_DIR/wayland-1 ]] && compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" >/dev/null &&
        break
    kill -0 $SWAY || { echo "FAIL: sway did not start"; exit 1; }
    sleep 0.1
done
export WAYLAND_DISPLAY=wayland-1
SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock")
export SWAYSOCK
source ./lib.sh
wait_desktop 1
# A pointer and a keyboard that last the session. Each vptr or wtype run adds a device of its
# own; were it the seat's only one, each run would give clients a new wl_pointer or
# wl_keyboard, bound too late for its first events.
wayland_vptr 1 1 sleep 3600000 &
wtype -s 3600000 &
source "./$1"
