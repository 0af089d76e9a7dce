# Ctrl+Shift+1 typed by wtype fires sway's binding: an area capture's overlay shows; Esc ends it
# with nothing saved.
start_agent
still_shot frozen.png
wtype -M ctrl -M shift -k 1 -m shift -m ctrl
wait_overlay frozen.png
wtype -k Escape
wait_for overlay_gone frozen.png || fail "Esc left the overlay"
(($(saved_count) == 0)) || fail "Esc saved a file"
