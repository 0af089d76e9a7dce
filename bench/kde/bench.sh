#!/usr/bin/env bash
# Times captures on a headless KWin 5.27 at 1920x1080 (the KDE checks' session): command to
# full-screen PNG, first after the agent starts and warm; KWin's grabs of the screen, a
# window and a scrolling tick's 800x600 area in process. Prints min/median/max and the load.
# usage (from the checkout, after a build): bench/kde/bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(cd "${1:-build}" && pwd)
cmake --build "$build" -j2 --target kde_grab_bench
command -v inotifywait >/dev/null ||
    apt-get -o DPkg::Lock::Timeout=900 install -y --no-install-recommends inotify-tools
script=$(mktemp -d)/measure.sh
cat bench/common/png_timing.sh bench/kde/measure.sh >"$script"
SHOW_LOG=1 EXTRA_PROGRAMS="$build/bench/kde/kde_grab_bench" \
    tests/desktop/kde/run.sh "$build" "$script"
