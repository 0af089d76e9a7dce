# Ctrl+Shift+1 typed by wtype fires sway's binding: an area capture's overlay shows; Esc ends it
# with nothing saved. One wtype types both: a second one would bring its own keymap, in which
# Escape has the key code that "1" had, and Qt keeps the first keymap.
start_agent
still_shot frozen.png
wtype -M ctrl -M shift -k 1 -m shift -m ctrl -s 3000 -k Escape &
wait_overlay frozen.png
wait_for overlay_gone frozen.png || fail "Esc left the overlay"
(($(saved_count) == 0)) || fail "Esc saved a file"
