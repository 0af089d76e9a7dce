# `moxilane screen` saves exactly the compositor's own picture of the output.
start_view 640 480
start_agent
park_pointer
still_shot kwin.png
moxilane screen || fail "moxilane screen failed"
same_but_pointer kwin.png "$(saved 1)" || fail "the saved screen is not KWin's picture"
grep -q "using the screenshot portal" agent.log && fail "KWin gave the agent no pixels: $(cat agent.log)"
true
