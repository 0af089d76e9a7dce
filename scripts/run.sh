#!/usr/bin/env bash
# Builds Moxilane and starts it in the tray of the current X11 session.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
exec build/src/app/moxilane "$@"
