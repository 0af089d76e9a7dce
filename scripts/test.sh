#!/usr/bin/env bash
# Builds Moxilane and runs every test: the unit tests, then the tests on private Xvfb
# servers (they start and stop their own Xvfb, openbox and tint2).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
cd build
ctest --output-on-failure --timeout 300 -j2 "$@"
