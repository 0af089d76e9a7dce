#!/usr/bin/env bash
# Builds Moxilane into build/ (or the folder named by BUILD_DIR) and runs every test there:
# the unit tests, then the tests on private Xvfb servers (they start and stop their own
# Xvfb, openbox and tint2). Arguments go to ctest, for example -L unit or -R Settings.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
cd "${BUILD_DIR:-build}"
ctest --output-on-failure --timeout 300 -j2 "$@"
