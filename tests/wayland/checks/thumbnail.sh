# After `moxilane screen` the thumbnail shows 16 points in from the bottom-right corner of the
# work area (the output less the bar), 1920x1080 fitted into 260 x 180.
start_agent
still_shot before.png
moxilane screen || fail "moxilane screen failed"
wait_for eval '(($(changed_now before.png) > 0))' || fail "no thumbnail on the output"
still_shot after.png
read -r count x y w h < <(wayland_image changed before.png after.png)
read -r ax ay aw ah < <(work_area)
echo "thumbnail: $count px in ${w}x$h at $x,$y; work area ${aw}x$ah at $ax,$ay"
((w == 260 && (h == 146 || h == 147))) || fail "thumbnail of ${w}x$h, not 260x146"
((x + w == ax + aw - 16 && y + h == ay + ah - 16)) || fail "thumbnail not 16 in from the corner"
