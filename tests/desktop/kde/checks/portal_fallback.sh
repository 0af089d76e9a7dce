# Started from a path no desktop entry grants, the agent is refused KWin's screenshots, says
# so once, and captures through the Screenshot portal, creating ~/Pictures where the portal
# needs it. The portal's picture shows the pointer, so both have it at the same place.
cp "$W/bin/moxilane" ungranted-moxilane
cp "$W/bin/libmoxilane-agent.so" .  # the program loads its agent from beside itself
start_view 640 480
AGENT_PROGRAM=$PWD/ungranted-moxilane start_agent
still_shot portal.png
rm -rf "$HOME/Pictures"
moxilane screen || fail "moxilane screen failed"
shot_file=$(saved 1)
[[ -d $HOME/Pictures ]] || fail "~/Pictures was not created"
same portal.png "$shot_file" || fail "the saved screen is not the portal's picture"
grep -q "refused its screenshots" agent.log || fail "the agent did not say why: $(cat agent.log)"
[[ -z $(ls "$HOME/Pictures") ]] || fail "the portal's file was left in ~/Pictures"
