# A scrolling capture of our tall page, scrolled by the virtual pointer's wheel, equals the
# page row for row.
start_view 100 100 600 700
start_agent
still_shot frozen.png
moxilane scroll || fail "moxilane scroll failed"
wait_overlay frozen.png
ptr move 150 150 sleep 50 down sleep 50 move 350 400 sleep 50 move 550 650 sleep 50 up
# The selection's frame and panel replace the overlay.
wait_for eval '(($(changed_now frozen.png) < 1920 * 1080 / 2))' || fail "the overlay stayed"
# The wheel turns over the view but outside the selection: the cursor shows while it moves.
for step in $(seq 8); do
    ptr move 650 720 scroll 1
    wait_for eval "((\$(view_offset) == $step * 60))" || fail "step $step: offset $(view_offset)"
    sleep 0.4 # past a tick
done
moxilane scroll || fail "the second moxilane scroll failed"
wayland_image page page.png
same page.png "$(saved 1)" 50 50 400 $((500 + 8 * 60)) || fail "the capture is not the page"
