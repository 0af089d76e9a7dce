# With two outputs, the second at scale 2, `moxilane screen` saves two files, each what grim
# sees of one output, in its device pixels.
add_output
swaymsg output HEADLESS-2 scale 2 >/dev/null
start_agent
still_shot grim-1.png HEADLESS-1
still_shot grim-2.png HEADLESS-2
moxilane screen || fail "moxilane screen failed"
saved 2 >/dev/null
(($(saved_count) == 2)) || fail "$(saved_count) files saved for two outputs"
for n in 1 2; do
    same grim-$n.png "$(saved 1)" 2>/dev/null || same grim-$n.png "$(saved 2)" ||
        fail "no saved file is grim's picture of HEADLESS-$n"
done
