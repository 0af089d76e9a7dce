#!/usr/bin/env bash
# Builds the Debian package dist/moxilane_<version>_<arch>.deb from the build in build/
# (or the folder named by BUILD_DIR), building that first, so the package holds the very
# program the tests ran on. Install it with: sudo apt install ./dist/moxilane_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
if [[ -f "$build/CMakeCache.txt" ]]; then
    "$PWD/scripts/deps.sh"
    cmake --build "$build"
else
    BUILD_DIR=$build scripts/build.sh
fi

staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
(cd "$build" && cpack -G DEB -B "$staging" >/dev/null)
mkdir -p dist
for deb in "$staging"/*.deb; do
    mv -f "$deb" dist/
    echo "dist/$(basename "$deb")"
done
