#!/usr/bin/env bash
# Times the agent on a headless GNOME Shell at 1920x1080 after the screenshot permission was
# granted: command -> full-screen PNG closed on disk, through the Screenshot portal; RUNS
# times (7 unless set) right after the agent became ready ("first") and with it warm;
# MOXILANE_AGENT=OTHER/moxilane times that build too, alternately with this one.
# Prints min/median/max in ms and the load.
# usage (from the checkout, after a build): bench/gnome/bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
cmake --build "$build" --target moxilane wayland_image wayland_scroll_view
script=$(mktemp -d)/measure.sh
cat bench/common/png_timing.sh bench/gnome/measure.sh >"$script"
RUNS=${RUNS:-7} SCRIPT=$script TIMEOUT_S=900 \
    tests/desktop/gnome/run.sh "$build"
