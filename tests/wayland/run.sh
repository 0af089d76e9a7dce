#!/usr/bin/env bash
# Runs one check (checks/NAME.sh, or a script given by its path) in a headless sway of its
# own. Compositors refuse to run as root, so as root the check runs as an unprivileged user
# with its own runtime folder and session bus. That user cannot read a checkout under /root:
# the programs and scripts are copied into the check's work folder under /tmp first.
# usage: run.sh NAME|SCRIPT PROGRAM... (moxilane and the test programs, run by their names)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
script=$1
[[ -f $script ]] || script=$here/checks/$1.sh
name=$(basename "$script" .sh)
user=moxilane-tests

W=$(mktemp -d "/tmp/moxilane-wayland-$name.XXXXXX")
mkdir -p "$W/bin" "$W/home" "$W/run"
cp "${@:2}" "$W/bin/"
cp "$here/session.sh" "$here/lib.sh" "$script" "$W/"
chmod -R a+rX "$W"
chmod 700 "$W/run"

as_user=()
if [[ $(id -u) -eq 0 ]]; then
    # Under a lock: checks that start at the same moment would race to create the user.
    flock /tmp/.moxilane-tests-user.lock bash -c "id $user >/dev/null 2>&1 ||
        /usr/sbin/useradd --system --no-create-home --shell /usr/sbin/nologin $user"
    chown -R "$user:" "$W"
    as_user=(setpriv "--reuid=$user" "--regid=$user" --init-groups)
fi

# timeout ends the whole process group (sway, the agent, the bus) should a check hang.
limit=${TIMEOUT_S:-75}
passed=()  # PASSENV="A B" passes those variables through
for v in ${PASSENV:-}; do passed+=("$v=${!v-}"); done
status=0
"${as_user[@]}" env -i PATH="$W/bin:/usr/local/bin:/usr/bin:/bin" W="$W" HOME="$W/home" \
    XDG_RUNTIME_DIR="$W/run" LANG=C.UTF-8 "${passed[@]}" \
    timeout --kill-after=5 "$limit" dbus-run-session -- bash "$W/session.sh" "$name.sh" || status=$?
if [[ $status -eq 0 ]]; then
    rm -rf "$W"
else
    [[ $status -eq 124 ]] && echo "FAIL: the check did not end within $limit s"
    for log in "$W"/*.log; do
        echo "== $log"
        tail -n 30 "$log"
    done
    echo "pictures and logs kept in $W"
fi
exit "$status"
