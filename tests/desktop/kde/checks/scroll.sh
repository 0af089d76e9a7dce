# A scrolling capture, scrolled by KWin's fake wheel, begins with the selected area as it was
# and ends with it as it is after eight steps of 60 pixels.
start_view 600 800
read -r vx vy vw vh <<<"$VIEW_RECT"
start_agent
park_pointer
still_shot frozen.png
x=$((vx + 50)) y=$((vy + 100)) w=400 h=500
moxilane scroll || fail "moxilane scroll failed"
wait_overlay frozen.png
kfake move $x $y sleep 50 down sleep 50 move $((x + 200)) $((y + 250)) sleep 50 \
    move $((x + w)) $((y + h)) sleep 50 up
wait_for eval '(($(changed_now frozen.png) < VIEW_PIXELS / 2))' || fail "the overlay stayed"
for step in $(seq 8); do
    kfake move $((vx + vw - 60)) $((y + h + 20)) scroll 1
    wait_for eval "((\$(view_offset) == $step * 60))" || fail "step $step: offset $(view_offset)"
    sleep 0.4 # past a tick
done
park_pointer
still_shot scrolled.png
moxilane scroll || fail "the second moxilane scroll failed"
shot_file=$(saved 1)
read -r sw sh < <(identify -format '%w %h\n' "$shot_file")
((sw == w && sh == h + 8 * 60)) || fail "the capture is ${sw}x$sh, not ${w}x$((h + 8 * 60))"
crop "$shot_file" 0 0 $w $h first.png
crop "$shot_file" 0 $((8 * 60)) $w $h last.png
same frozen.png first.png $x $y $w $h || fail "the capture does not begin with the area"
same scrolled.png last.png $x $y $w $h || fail "the capture does not end with the area"
