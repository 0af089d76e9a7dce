# `moxilane window` opens GNOME's own screenshot dialog; what it shares is saved as a capture.
# Here "Grab the whole screen", its default, as no other program's window is open.
start_agent
still_portal_shot before.png
moxilane window || fail "moxilane window failed"
WAIT_S=15 wait_for changed_below_bar before.png dialog.png 10000 || fail "no dialog of GNOME's"
read -r _ x y w h <<<"$(wayland_image changed before-below.png dialog-below.png)"
# The dialog is centred; its shadow widens the changed part. "Take Screenshot", then
# "Share", lie at its top right.
cx=$((x + w / 2)) cy=$((y + 40 + h / 2))
gnome_input move $((cx + 158)) $((cy - 184)) sleep 100 down up || fail "no pointer"
sleep 3  # the grab waits a second, then the same dialog asks to share
gnome_input move $((cx + 202)) $((cy - 184)) sleep 100 down up || fail "no pointer"
[[ $(file -b "$(saved 1)") == "PNG image data, 1920 x 1080"* ]] || fail "not the screen's picture"
