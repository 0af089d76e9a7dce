#!/usr/bin/env bash
# The end-to-end checks on a headless KDE Plasma (KWin 5.27): installs its packages, builds
# what it runs, then runs every check (checks/*.sh, or those named) in one KWin session as an
# unprivileged user, since compositors refuse to run as root. Prints PASS or FAIL per check;
# the exit status is non-zero when any fails. Not in CI: KWin brings a few hundred packages.
# usage: run.sh BUILD_DIR [CHECK...]   (a check by name, or a script by its path)
# EXTRA_PROGRAMS: more programs to run there, granted as our agent is; SHOW_LOG=1 prints
# each check's output.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build=$(cd "${1:-$root/build}" 2>/dev/null && pwd || echo "${1:-$root/build}")
shift || true

packages=(kwin-wayland xdg-desktop-portal-kde xdg-desktop-portal qtwayland5 qdbus-qt5
    plasma-workspace plasma-wayland-protocols pipewire wireplumber libwayland-dev
    libwayland-bin gcc python3-gi dbus imagemagick)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    apt-get -o DPkg::Lock::Timeout=900 install -y --no-install-recommends "${missing[@]}"
fi
[[ -d $build ]] || (cd "$root" && BUILD_DIR=$build scripts/build.sh)
cmake --build "$build" -j2 --target moxilane wayland_image wayland_scroll_view

W=$(mktemp -d /tmp/moxilane-kde.XXXXXX)
mkdir -p "$W/bin" "$W/home" "$W/run"
cp "$build/src/app/moxilane" "$build/src/app/libmoxilane-agent.so" \
    "$build/tests/wayland/wayland_image" "$build/tests/wayland/wayland_scroll_view" \
    "$here/portal_shot.py" ${EXTRA_PROGRAMS:-} "$W/bin/"
xml=/usr/share/plasma-wayland-protocols/fake-input.xml
wayland-scanner client-header "$xml" "$W/fake-input-client-protocol.h"
wayland-scanner private-code "$xml" "$W/fake-input-protocol.c"
gcc -O2 -I"$W" -o "$W/bin/kfake" "$here/kfake.c" "$W/fake-input-protocol.c" -lwayland-client
cp -r "$here/session.sh" "$here/lib.sh" "$here/checks" "$W/"
checks=()
for check in "$@"; do
    if [[ -f $check ]]; then
        cp "$check" "$W/checks/"
        check=$(basename "$check" .sh)
    fi
    checks+=("$check")
done
((${#checks[@]})) || checks=($(cd "$here/checks" && ls *.sh | sed 's/\.sh$//'))
chmod -R a+rX "$W"
chmod 700 "$W/run"

user=moxilane-tests
as_user=()
if [[ $(id -u) -eq 0 ]]; then
    flock /tmp/.moxilane-tests-user.lock bash -c "id $user >/dev/null 2>&1 ||
        /usr/sbin/useradd --system --no-create-home --shell /usr/sbin/nologin $user"
    chown -R "$user:" "$W"
    as_user=(setpriv "--reuid=$user" "--regid=$user" --init-groups)
fi
status=0
"${as_user[@]}" env -i PATH="$W/bin:/usr/local/bin:/usr/bin:/bin" W="$W" HOME="$W/home" \
    XDG_RUNTIME_DIR="$W/run" LANG=C.UTF-8 SHOW_LOG="${SHOW_LOG:-}" \
    timeout --kill-after=5 "${TIMEOUT_S:-600}" dbus-run-session -- bash "$W/session.sh" \
    "${checks[@]}" || status=$?
if [[ $status -eq 0 ]]; then
    rm -rf "$W"
else
    [[ $status -eq 124 ]] && echo "FAIL: the checks did not end in time"
    echo "pictures and logs kept in $W"
fi
exit "$status"
