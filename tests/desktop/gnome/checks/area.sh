# An area dragged with Mutter's pointer gives exactly that area of the frozen screen.
start_agent
still_portal_shot frozen.png
moxilane area || fail "moxilane area failed"
sleep 3  # the overlay shows the frozen picture: nothing to tell it by from the portal
gnome_input move 400 300 sleep 100 down sleep 100 move 700 500 sleep 100 move 900 650 \
    sleep 100 up || fail "no pointer"
same frozen.png "$(saved 1)" 400 300 500 350 || fail "the saved area is not the dragged one"
