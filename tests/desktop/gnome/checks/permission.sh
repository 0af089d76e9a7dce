# With the screenshot permission denied, a capture takes nothing and says why in an alert;
# the denial is forgotten, so that GNOME asks again at the next capture.
start_agent
still_portal_shot before.png
python3 "$W/gnome_input.py" grant no
moxilane screen || fail "moxilane screen failed"
sleep 3
(($(saved_count) == 0)) || fail "a capture was saved"
[[ $(python3 "$W/gnome_input.py" stored) == none ]] ||
    fail "the denial stays: $(python3 "$W/gnome_input.py" stored)"
# Granted again, for the picture of the alert (our test's pictures come from the portal too).
python3 "$W/gnome_input.py" grant
changed_below_bar before.png alert.png 10000 || fail "no alert"
