# After `moxilane screen` the thumbnail shows 16 points in from the output's bottom-right corner
# (a Wayland client learns no work area), 1920x1080 fitted into 260 x 180.
start_agent
still_shot before.png
moxilane screen || fail "moxilane screen failed"
wait_for eval '(($(changed_now before.png) > 0))' || fail "no thumbnail on the output"
still_shot after.png
read -r count x y w h < <(wayland_image changed before.png after.png)
echo "thumbnail: $count px in ${w}x$h at $x,$y"
((w == 260 && (h == 146 || h == 147))) || fail "thumbnail of ${w}x$h, not 260x146"
((x + w == 1920 - 16 && y + h == 1080 - 16)) || fail "thumbnail not 16 in from the corner"
