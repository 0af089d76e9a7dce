# `moxilane screen` saves exactly the portal's own picture of the screen.
start_agent
still_portal_shot portal.png
moxilane screen || fail "moxilane screen failed"
same portal.png "$(saved 1)" || fail "the saved screen is not the portal's picture"
