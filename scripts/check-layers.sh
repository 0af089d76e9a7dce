#!/usr/bin/env bash
# Checks that includes between src/ folders run only downward:
#   manual -> app -> selection, scroll, markup -> flows -> delivery -> capture -> platform
# (folders on one level do not include each other), and that nothing outside
# src/platform/x11 includes xcb or names an X11 window flag.
set -euo pipefail
cd "$(dirname "$0")/../src"
rank() {
    case $1 in
        manual) echo 6 ;; app) echo 5 ;; selection | scroll | markup) echo 4 ;; flows) echo 3 ;;
        delivery) echo 2 ;; capture) echo 1 ;; platform) echo 0 ;; *) echo -1 ;;
    esac
}
status=0
while IFS=: read -r file _ line; do
    from=${file%%/*}
    to=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$line")
    [[ $from == "$to" ]] && continue
    if (($(rank "$to") < 0 || $(rank "$to") >= $(rank "$from"))); then
        echo "upward or sideways: $file includes $to/"
        status=1
    fi
done < <(grep -rn '#include "[^"]*/' --include='*.h' --include='*.cpp' -- */)
# The X11 back-end's headers other than its factory pull in xcb.
if grep -rnE '#include <xcb|#include "platform/x11/(X11Platform\.h)?|Qt::X11' \
    --include='*.h' --include='*.cpp' -- */ | grep -v '^platform/x11/' |
    grep -v '#include "platform/x11/X11Platform\.h"'; then
    echo "xcb, an X11 back-end header or an X11 window flag outside platform/x11"
    status=1
fi
# Likewise the Wayland back-end's: only its factory is named outside.
if grep -rnE '#include <wayland-|#include "platform/wayland/' --include='*.h' --include='*.cpp' \
    -- */ | grep -v '^platform/wayland/' |
    grep -v '#include "platform/wayland/WaylandPlatform\.h"'; then
    echo "a Wayland back-end header outside platform/wayland"
    status=1
fi
exit $status
