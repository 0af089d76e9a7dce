# An area dragged with the virtual pointer gives exactly that area of the frozen picture.
start_agent
still_shot frozen.png
moxilane area || fail "moxilane area failed"
wait_overlay frozen.png
ptr move 400 300 sleep 50 down sleep 50 move 700 500 sleep 50 move 900 650 sleep 50 up
same frozen.png "$(saved 1)" 400 300 500 350 || fail "the saved area is not the dragged one"
wait_for overlay_gone frozen.png || fail "the overlay stayed"
