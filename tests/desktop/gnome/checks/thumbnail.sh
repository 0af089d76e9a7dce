# The thumbnail is a GNOME notification with the picture; a click on it opens the editor.
start_agent
still_portal_shot before.png
moxilane screen || fail "moxilane screen failed"
saved 1 >/dev/null
WAIT_S=15 wait_for changed_below_bar before.png banner.png 1000 ||
    fail "no notification came"
read -r _ x y w h <<<"$(wayland_image changed before-below.png banner-below.png)"
gnome_input move $((x + w / 2)) $((y + 40 + h / 2)) sleep 100 down up || fail "no pointer"
# The editor: a window far larger than the banner.
WAIT_S=15 wait_for changed_below_bar before.png editor.png 300000 || fail "no editor opened"
