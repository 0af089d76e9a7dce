# `moxilane screen` saves exactly what grim sees of the output.
start_agent
still_shot grim.png
moxilane screen || fail "moxilane screen failed"
same grim.png "$(saved 1)" || fail "the saved screen is not grim's picture"
