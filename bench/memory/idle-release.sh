#!/bin/bash
# The agent's resident memory on a 4K Xvfb with openbox: after start-up, 10 s after one
# Ctrl+Shift+3, and 135 s after it, once the capture buffers are let go (two idle minutes).
#   bench/memory/idle-release.sh build/src/app/moxilane
# Needs Xvfb, openbox and xdotool; uses display :58 and /tmp/moxilane-idle-release.
export DISPLAY=:58
Xvfb :58 -screen 0 3840x2160x24 >/dev/null 2>&1 & XV=$!
sleep 1; openbox --sm-disable >/dev/null 2>&1 & sleep 1
H=/tmp/moxilane-idle-release; rm -rf $H; mkdir -p $H/config/Moxilane $H/Shots $H/run; chmod 700 $H/run
printf '[General]\ndidAskLaunchAtLogin=true\nsaveFolderBookmark=%s/Shots\n' $H > $H/config/Moxilane/Moxilane.conf
env HOME=$H XDG_CONFIG_HOME=$H/config XDG_RUNTIME_DIR=$H/run XDG_DATA_HOME=$H/data XDG_CACHE_HOME=$H/cache DBUS_SESSION_BUS_ADDRESS=disabled: $1 > $H/agent.log 2>&1 & A=$!
rss() { grep VmRSS /proc/$A/status | awk '{printf "%.1f MB", $2/1024}'; }
sleep 3; echo "after start: $(rss)"
xdotool key ctrl+shift+3; sleep 10; echo "10 s after a capture: $(rss) files: $(ls $H/Shots | wc -l)"
sleep 125; echo "135 s after the capture: $(rss)"
kill $A; kill $XV; pkill -f "Xvfb :58"
