#!/usr/bin/env bash
# Times the agent on a headless sway at 1920x1080: command -> full-screen PNG closed on disk,
# and command -> the area overlay on screen; each RUNS times (7 unless set) right after the
# agent became ready ("first") and with it warm. Prints min/median/max in ms and the load.
# usage (from the checkout, after a build): bench/wayland/bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
cmake --build "$build" --target moxilane wayland_image wayland_vptr wayland_pixel_watch
export RUNS=${RUNS:-7}
script=$(mktemp -d)/measure.sh
cat bench/common/png_timing.sh bench/wayland/measure.sh >"$script"
PASSENV=RUNS TIMEOUT_S=600 tests/wayland/run.sh "$script" "$build/src/app/moxilane" \
    "$build/src/app/libmoxilane-agent.so" \
    "$build/tests/wayland/wayland_image" "$build/tests/wayland/wayland_vptr" \
    "$build/bench/wayland/wayland_pixel_watch"
