#!/usr/bin/env bash
# Times a scrolling capture's region grab on a headless sway at 1920x1080 (the tests' session):
# 800x600 and the whole output, 21 grabs each after a first. Prints min/median/max and the load.
# usage (from the checkout, after a build): bench/wayland_tick/bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
cmake --build "$build" --target wayland_tick_bench moxilane wayland_image wayland_vptr
uptime
# The session wants the program, the image tool and the pointer beside the benchmark.
tests/wayland/run.sh bench/wayland_tick/measure.sh "$build/bench/wayland_tick/wayland_tick_bench" \
    "$build/src/app/moxilane" "$build/src/app/libmoxilane-agent.so" \
    "$build/tests/wayland/wayland_image" "$build/tests/wayland/wayland_vptr"
uptime
