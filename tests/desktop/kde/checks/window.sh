# A window half covered by another gives its own pixels, the covered half too.
start_view 600 500
read -r vx vy vw vh <<<"$VIEW_RECT"
wayland_scroll_view 0 0 400 400 "$PWD/other.log" >other-stderr.log 2>&1 &
OTHER=$!
sleep 2
place_window $OTHER $((vx + vw / 2)) $((vy + 40)) 500 $((vh - 80))
start_agent windowShadow=false
park_pointer
still_shot covered.png
same with-view.png covered.png && fail "the other window does not cover the view"
moxilane window || fail "moxilane window failed"
wait_overlay covered.png
kfake move $((vx + 40)) $((vy + vh / 2)) sleep 100 click
shot_file=$(saved 1)
read -r sw sh < <(identify -format '%w %h\n' "$shot_file")
((sw == vw && sh == vh)) || fail "the window is ${sw}x$sh, not ${vw}x$vh"
# Below the title bar, which changes colour with the focus (where KWin draws one).
crop "$shot_file" 0 $((vh / 5)) "$vw" $((vh * 4 / 5)) own.png
crop with-view.png "$vx" $((vy + vh / 5)) "$vw" $((vh * 4 / 5)) alone.png
near alone.png own.png || fail "the saved window is not the view's own pixels"
