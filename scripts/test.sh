#!/usr/bin/env bash
# Builds Moxilane into build/ (or the folder named by BUILD_DIR) and runs every test there:
# the unit tests, then the tests on private Xvfb servers (they start and stop their own
# Xvfb, openbox and tint2) and on headless sway sessions (label wayland; as root they run as
# an unprivileged user made for them). Arguments go to ctest, for example -L unit or -R Settings.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
cd "${BUILD_DIR:-build}"
# A failing test runs once more before it counts: the X11 tests drive a real server whose
# timing varies under load; a failure that repeats is a fault, a lone one stays in the log.
ctest --output-on-failure --timeout 300 -j2 --repeat until-pass:2 "$@"
