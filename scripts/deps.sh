#!/usr/bin/env bash
# Installs the Debian 12 packages Moxilane needs to build, run and test.
# With --always it refreshes the package lists and installs even when all are present.
set -euo pipefail

packages=(
    # toolchain
    g++ cmake ninja-build pkg-config clang-format
    # libraries
    qt6-base-dev qt6-qpa-plugins libqt6svg6
    # the Wayland back-end: Qt's connection (private API) and the protocols it speaks
    qt6-wayland qt6-wayland-dev qt6-base-private-dev libwayland-dev libwayland-bin wayland-protocols
    # GNOME's screen-cast stream for the scrolling capture
    libpipewire-0.3-dev
    libxcb1-dev libxcb-randr0-dev libxcb-shm0-dev libxcb-composite0-dev libxcb-xfixes0-dev
    libxcb-render0-dev
    libxcb-keysyms1-dev libxcb-ewmh-dev libxcb-xtest0-dev libxcb-damage0-dev libxcb-xkb-dev
    x11proto-dev
    # GNOME: its custom key bindings through GSettings (GIO)
    libglib2.0-dev
    zlib1g-dev libisal-dev
    # Capture Text: recognition, its English data, codes; qrencode makes the tests' codes
    libtesseract-dev libleptonica-dev tesseract-ocr-eng libzxing-dev qrencode
    # running: opening files, fonts
    xdg-utils fonts-dejavu-core
    # tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libdeflate-dev
    xvfb openbox tint2 xdotool xclip x11-xserver-utils x11-utils desktop-file-utils
    # the icons' PNG sizes; the Debian package and its checks
    librsvg2-bin dpkg-dev file lintian appstream man-db groff
    # the editor read by a screen reader's interface
    at-spi2-core python3-pyatspi gir1.2-atspi-2.0 dbus
    # tests on a headless sway (jq reads its window tree; inotify-tools times saves; the keys
    # pressed by position use the US keymap of libxkbcommon)
    sway swaybg grim wl-clipboard wtype jq inotify-tools libxkbcommon-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [[ ${#missing[@]} -eq 0 && "${1:-}" != "--always" ]]; then
    exit 0
fi

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
