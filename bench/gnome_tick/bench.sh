#!/usr/bin/env bash
# Runs gnome_tick_bench for a window-sized and a screen-sized area. Source or run it inside a
# GNOME session where the screen-share permission was granted and its restore token lies in
# the settings file (tests/desktop/gnome/checks/scroll.sh leaves it so); the benchmark is on PATH.
set -euo pipefail
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
gnome_tick_bench 800 600 21
gnome_tick_bench 1920 1000 21
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
