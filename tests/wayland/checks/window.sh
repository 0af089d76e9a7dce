# A window picked with the virtual pointer gives its rectangle of the frozen picture.
start_view 300 200 640 420
start_agent windowShadow=false
still_shot frozen.png
moxilane window || fail "moxilane window failed"
wait_overlay frozen.png
ptr move 600 400 sleep 100 click
same frozen.png "$(saved 1)" 300 200 640 420 || fail "the saved window is not its rectangle"
