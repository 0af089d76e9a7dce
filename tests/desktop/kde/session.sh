# A headless KWin for the checks, as the user that runs them (see run.sh): one 1920x1080
# output, PipeWire and the desktop portal with KDE's backend; our agent and kfake granted
# KWin's restricted interfaces by desktop entries, as the installed package's entry does.
# Then each check in turn, in a subshell of its own; PASS or FAIL per check.
set -uo pipefail
cd "$W"
export XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=5 KDE_FULL_SESSION=true
export XDG_SESSION_TYPE=wayland XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
# The screenshot interface loads only when KWin composites with OpenGL (llvmpipe here).
export KWIN_COMPOSE=O2
apps=$XDG_DATA_HOME/applications
mkdir -p "$apps"
for program in "$W"/bin/*; do
    entry=$(basename "$program")
    [[ $entry == kfake ]] && continue
    [[ $entry == moxilane ]] && entry=io.github.moxilane.Moxilane
    cat >"$apps/$entry.desktop" <<ENTRY
[Desktop Entry]
Type=Application
Name=$(basename "$program")
Exec=$program
NoDisplay=true
X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2
ENTRY
done
cat >"$apps/kfake.desktop" <<ENTRY
[Desktop Entry]
Type=Application
Name=kfake
Exec=$W/bin/kfake
NoDisplay=true
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
ENTRY
kbuildsycoca5 >sycoca.log 2>&1

# Where the file capability of /usr/bin/kwin_wayland is outside the bounding set, exec fails:
# a copy has none (under the same name, which its platform plugin checks).
kwin=kwin_wayland
$kwin --version >/dev/null 2>&1 || { cp /usr/bin/kwin_wayland "$W/kwin_wayland"; kwin=$W/kwin_wayland; }
$kwin --virtual --width 1920 --height 1080 --socket wayland-kde --no-lockscreen >kwin.log 2>&1 &
KWIN=$!
trap 'kill $(jobs -p) 2>/dev/null; wait' EXIT
for _ in $(seq 200); do
    [[ -S $XDG_RUNTIME_DIR/wayland-kde ]] && break
    sleep 0.1
done
export WAYLAND_DISPLAY=wayland-kde QT_QPA_PLATFORM=wayland
dbus-update-activation-environment WAYLAND_DISPLAY XDG_CURRENT_DESKTOP KDE_SESSION_VERSION \
    KDE_FULL_SESSION XDG_SESSION_TYPE QT_QPA_PLATFORM XDG_DATA_HOME XDG_CONFIG_HOME 2>/dev/null
pipewire >pw.log 2>&1 &
sleep 0.5
wireplumber >wp.log 2>&1 &
/usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde >portal-kde.log 2>&1 &
sleep 1
/usr/libexec/xdg-desktop-portal -r >portal.log 2>&1 &
source ./lib.sh
wait_for kwin_screenshots || { echo "FAIL: KWin did not come up (kwin.log)"; exit 1; }
mkdir -p "$HOME/Pictures"
wait_for shot ready.png || { echo "FAIL: the Screenshot portal gives no picture"; exit 1; }

failed=0
for check in "$@"; do
    mkdir -p "$W/$check"
    if (cd "$W/$check" && trap stop_programs EXIT && source "$W/checks/$check.sh") >"$check.log" 2>&1; then
        echo "PASS: $check"
        [[ -z $SHOW_LOG ]] || cat "$check.log"
    else
        failed=1
        echo "FAIL: $check: $(grep -m1 '^FAIL' "$check.log" | cut -c7-)"
        tail -n 15 "$check.log" | sed 's/^/    /'
    fi
done
exit $failed
