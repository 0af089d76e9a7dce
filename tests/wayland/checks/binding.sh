# The keys at Ctrl, Shift and 1 of a US keyboard fire the binding that `moxilane --help` gives:
# an area capture's overlay shows; Esc (typed by wtype) ends it with nothing saved.
start_agent
still_shot frozen.png
wayland_keys 29+42+2 # KEY_LEFTCTRL, KEY_LEFTSHIFT, KEY_1
wait_overlay frozen.png
wtype -k Escape
wait_for overlay_gone frozen.png || fail "Esc left the overlay"
(($(saved_count) == 0)) || fail "Esc saved a file"
