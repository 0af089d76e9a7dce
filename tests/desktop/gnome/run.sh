#!/usr/bin/env bash
# The end-to-end checks on a headless GNOME Shell: one session, every checks/*.sh in it.
# usage: run.sh [BUILD_DIR]   (scripts/test-desktop.sh gnome [BUILD_DIR] calls it)
#
# What a check gets. Each check is sourced by session.sh in a subshell of its own, after
# lib.sh, in the work folder $W (pictures and logs go there), with:
#   PATH            $W/bin first: moxilane, wayland_image, wayland_scroll_view
#   WAYLAND_DISPLAY GNOME Shell's socket; QT_QPA_PLATFORM=wayland, XDG_CURRENT_DESKTOP=GNOME
#   HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR  private to the run
#   the session bus of the session, GNOME's portals on it, the screenshot permission granted
#   lib.sh          fail, wait_for, same, portal_shot, still_portal_shot, pointer, keys,
#                   start_agent, saved (see there)
# A check fails by a non-zero exit (fail "why" says why); run.sh prints PASS or FAIL for
# each and ends non-zero when any failed. CHECKS="area full_screen" runs only those;
# KEEP=1 keeps the work folder; SCRIPT=FILE runs that script alone, its output shown
# (the benchmark in bench/gnome does).
# As root everything runs as an unprivileged user: GNOME Shell refuses to run as root.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build=$(cd "${1:-$root/build}" 2>/dev/null && pwd || echo "${1:-$root/build}")
user=moxilane-tests

# gjs runs the shell's notification service; imagemagick crops the checks' pictures;
# wl-clipboard reads the clipboard back.
packages=(gnome-shell mutter xdg-desktop-portal xdg-desktop-portal-gnome gnome-settings-daemon
    pipewire wireplumber dbus-daemon dconf-service libglib2.0-bin python3-gi gir1.2-glib-2.0
    qt6-wayland imagemagick gjs wl-clipboard)
missing=()
for p in "${packages[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if ((${#missing[@]})); then
    apt-get -o DPkg::Lock::Timeout=900 install -y --no-install-recommends "${missing[@]}"
fi

programs=("$build/src/app/moxilane" "$build/src/app/libmoxilane-agent.so"
    "$build/tests/wayland/wayland_image" "$build/tests/wayland/wayland_scroll_view")
for p in "${programs[@]}"; do
    if [[ ! -x $p ]]; then
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
        cmake --build "$build" -j2 --target moxilane wayland_image wayland_scroll_view
        break
    fi
done

W=$(mktemp -d /tmp/moxilane-gnome.XXXXXX)
mkdir -p "$W/bin" "$W/home" "$W/run" "$W/checks"
cp "${programs[@]}" "$W/bin/"
# A benchmark's other build of the agent, timed beside this one (bench/gnome/bench.sh).
if [[ -n ${MOXILANE_AGENT:-} ]]; then
    mkdir -p "$W/old"
    cp "$MOXILANE_AGENT" "$W/old/moxilane"
    # A build that loads its agent from a library beside it.
    agent_library=$(dirname "$MOXILANE_AGENT")/libmoxilane-agent.so
    if [[ -f $agent_library ]]; then cp "$agent_library" "$W/old/"; fi
fi
cp "$here/session.sh" "$here/lib.sh" "$here/gnome_input.py" "$W/"
if [[ -n ${SCRIPT:-} ]]; then cp "$SCRIPT" "$W/checks/"; else cp "$here"/checks/*.sh "$W/checks/"; fi
chmod -R a+rX "$W"
chmod 700 "$W/run"

as_user=()
if [[ $(id -u) -eq 0 ]]; then
    flock /tmp/.moxilane-tests-user.lock bash -c "id $user >/dev/null 2>&1 ||
        /usr/sbin/useradd --system --no-create-home --shell /usr/sbin/nologin $user"
    chown -R "$user:" "$W"
    as_user=(setpriv "--reuid=$user" "--regid=$user" --init-groups)
fi

# timeout ends the whole process group (the shell, the agent, the buses) should a run hang.
limit=${TIMEOUT_S:-420}
status=0
"${as_user[@]}" env -i PATH="$W/bin:/usr/local/bin:/usr/bin:/bin" W="$W" HOME="$W/home" \
    XDG_RUNTIME_DIR="$W/run" LANG=C.UTF-8 CHECKS="${CHECKS:-}" SHOW="${SCRIPT:+1}" RUNS="${RUNS:-7}" \
    timeout --kill-after=5 "$limit" dbus-run-session -- bash "$W/session.sh" 2>"$W/bus.log" ||
    status=$?
if [[ $status -eq 0 && -z ${KEEP:-} ]]; then
    rm -rf "$W"
else
    [[ $status -eq 124 ]] && echo "FAIL: the run did not end within $limit s"
    echo "pictures and logs kept in $W"
fi
exit "$status"
