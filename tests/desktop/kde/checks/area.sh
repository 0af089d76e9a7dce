# An area dragged by KWin's fake input gives exactly that area of the screen.
start_view 640 480
start_agent
park_pointer
still_shot frozen.png
moxilane area || fail "moxilane area failed"
wait_overlay frozen.png
kfake move 400 300 sleep 50 down sleep 50 move 700 500 sleep 50 move 900 650 sleep 50 up
same frozen.png "$(saved 1)" 400 300 500 350 || fail "the saved area is not the dragged one"
