# After `moxilane screen` the thumbnail shows 16 points in from the output's bottom-right corner
# (a Wayland client learns no work area), 1920x1080 fitted into 260 x 180.
start_agent
still_shot before.png
moxilane screen || fail "moxilane screen failed"
wait_for eval '(($(changed_now before.png) > 0))' || fail "no thumbnail on the output"
still_shot after.png
read -r count x y w h < <(wayland_image changed before.png after.png)
echo "thumbnail: $count px in ${w}x$h at $x,$y"
((w == 260 && (h == 146 || h == 147))) || fail "thumbnail of ${w}x$h, not 260x146"
((x + w == 1920 - 16 && y + h == 1080 - 16)) || fail "thumbnail not 16 in from the corner"

# A click opens the editor. Closed, its window serves the next capture's editor, which must
# show that capture and not the first.
editor_shown() {
    [[ $(swaymsg -t get_tree | jq '[.. | objects | select(.name? // "" | endswith("Markup"))
        | select(.visible)] | length') == 1 ]]
}
ptr move $((x + w / 2)) $((y + h / 2)) sleep 100 click
wait_for editor_shown || fail "no editor after a click on the thumbnail"
still_shot first-editor.png
swaymsg '[title="Markup$"] kill' >/dev/null
wait_for eval '! editor_shown' || fail "the editor did not close"
wayland_image pattern 1920 1080 7 other.png
swaymsg output HEADLESS-1 bg "$W/other.png" center >/dev/null
moxilane screen || fail "the second moxilane screen failed"
wait_for has_saved 2 || fail "no second capture"
sleep 0.5
ptr move $((x + w / 2)) $((y + h / 2)) sleep 100 click
wait_for editor_shown || fail "no editor for the second capture"
still_shot second-editor.png
read -r count _ < <(wayland_image changed first-editor.png second-editor.png)
((count > 1920 * 1080 / 2)) || fail "the second editor shows the first capture ($count px changed)"
