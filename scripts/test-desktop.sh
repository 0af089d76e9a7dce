#!/usr/bin/env bash
# Runs the end-to-end checks on a headless KDE Plasma or GNOME session. Not part of CI: each
# desktop installs a few hundred packages. The checks install what they need, build, and
# run as an unprivileged user.
# usage: scripts/test-desktop.sh kde|gnome [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
desktop=${1:-}
checks=$root/tests/desktop/$desktop/run.sh
if [[ -z $desktop || ! -f $checks ]]; then
    echo "usage: scripts/test-desktop.sh kde|gnome [BUILD_DIR]" >&2
    exit 2
fi
exec bash "$checks" "${2:-$root/build}"
