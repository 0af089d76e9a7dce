# After `moxilane screen` the clipboard offers the saved picture as PNG.
start_agent
moxilane screen || fail "moxilane screen failed"
file=$(saved 1)
wait_for eval 'wl-paste -l | grep -qx image/png' || fail "no image/png on the clipboard"
timeout 5 wl-paste -t image/png >clipboard.png || fail "wl-paste got no whole PNG within 5 s"
same "$file" clipboard.png || fail "the clipboard's PNG is not the saved picture"
