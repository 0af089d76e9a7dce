# The harness itself, without the agent: grim sees each output's background exactly (the bar
# aside), the virtual pointer's wheel reaches a Qt window under it, and keys typed by wtype
# fire a sway binding.
add_output
for n in 1 2; do
    still_shot "out-$n.png" "HEADLESS-$n"
    read -r count x y w h < <(wayland_image changed "bg-$n.png" "out-$n.png")
    read -r _ _ _ bar_top < <(swaymsg -t get_workspaces | jq -r --arg o "HEADLESS-$n" \
        '.[] | select(.output == $o) | .rect | "\(.x) \(.y) \(.width) \(.height)"')
    ((y >= bar_top)) || fail "output $n differs from its background above the bar: $count px at $x,$y ${w}x$h"
done

start_view 300 200 600 400
ptr move 500 400 scroll 1 scroll 1
wait_for eval '(($(view_offset) == 120))' || fail "the wheel scrolled the view to $(view_offset)"

swaymsg "bindsym Ctrl+Shift+9 exec touch $W/pressed" >/dev/null
wtype -M ctrl -M shift -k 9 -m shift -m ctrl
wait_for test -e "$W/pressed" || fail "Ctrl+Shift+9 did not fire its binding"
