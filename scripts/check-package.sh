#!/usr/bin/env bash
# Builds the Debian package (scripts/package.sh) and checks it as CI does, as root on a
# Debian 12 machine: lintian finds no error; the control file lists the run-time
# dependencies; apt installs it with its dependencies; the installed program answers
# --version without a display; its desktop entry, metainfo and manual page pass their
# validators; apt-get remove takes away every file it installed. Leaves it uninstalled.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
fail() {
    echo "check-package: $*" >&2
    exit 1
}

echo "== package"
deb=$(scripts/package.sh | tail -n 1)
[[ $deb =~ ^dist/moxilane_[0-9.]+_[a-z0-9]+\.deb$ ]] || fail "unexpected package name: $deb"
version=$(dpkg-deb -f "$deb" Version)
echo "$deb, version $version"

echo "== lintian"
# Lintian exits non-zero for errors only with this setting; warnings are shown, not fatal.
lintian --fail-on error --display-info "$deb"

echo "== control file"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in qt6-qpa-plugins libqt6svg6 libqt6widgets6 libqt6gui6 libqt6core6 libxcb1 libisal2; do
    [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed: $depends"
done
[[ $(dpkg-deb -f "$deb" Recommends) == *xdg-utils* ]] || fail "Recommends lacks xdg-utils"

echo "== install"
if dpkg-query -W -f='${Status}' moxilane 2>/dev/null | grep -q 'install ok installed'; then
    fail "moxilane is installed already; remove it first"
fi
"${sudo[@]}" apt-get install -y "./$deb" >/dev/null
files=$(dpkg -L moxilane)
[[ $(command -v moxilane) == /usr/bin/moxilane ]] || fail "moxilane is not /usr/bin/moxilane"
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/moxilane --version)
[[ $answer == "Moxilane $version" ]] || fail "--version says \"$answer\", not Moxilane $version"
echo "$answer"

id=io.github.moxilane.Moxilane
desktop-file-validate "/usr/share/applications/$id.desktop"
grep -qx 'Exec=/usr/bin/moxilane' "/usr/share/applications/$id.desktop" ||
    fail "the desktop entry does not start /usr/bin/moxilane"
appstreamcli validate --no-net "/usr/share/metainfo/$id.metainfo.xml"
warnings=$(MANWIDTH=80 man -l -Tutf8 /usr/share/man/man1/moxilane.1.gz 2>&1 >/dev/null)
[[ -z $warnings ]] || fail "man: $warnings"
warnings=$(zcat /usr/share/man/man1/moxilane.1.gz | groff -ww -z -man 2>&1)
[[ -z $warnings ]] || fail "groff: $warnings"
MANWIDTH=80 man -l -Tutf8 /usr/share/man/man1/moxilane.1.gz | grep -q 'moxilane stitch' ||
    fail "the manual page does not render"
echo "desktop entry, metainfo and manual page valid"

echo "== remove"
"${sudo[@]}" apt-get remove -y moxilane >/dev/null
left=()
while IFS= read -r path; do
    [[ -e $path && $path != /. ]] || continue
    # A folder stays when another package owns it or holds files in it.
    if [[ -d $path ]] && { dpkg -S "$path" >/dev/null 2>&1 || [[ -n $(ls -A "$path") ]]; }; then
        continue
    fi
    left+=("$path")
done <<<"$files"
[[ ${#left[@]} -eq 0 ]] || fail "left after removal: ${left[*]}"
echo "removed $(wc -l <<<"$files") paths; none left"
