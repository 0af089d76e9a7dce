# The shortcuts' offer, accepted, adds GNOME custom key bindings after the user's own, and
# Ctrl+Shift+3 pressed in the shell then runs `moxilane screen`, whose notification says the
# picture was saved but not copied.
key=org.gnome.settings-daemon.plugins.media-keys
own=/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/
gsettings set $key custom-keybindings "['$own']"
still_portal_shot before.png
OFFER=1 start_agent
wait_for offer_shown || fail "no offer to add the shortcuts"
# The question's first button, "Add Shortcuts", sits left of "Not Now" at its bottom right.
# Below the top bar, whose clock and title change too.
for p in before offer; do convert $p.png -crop 1920x1040+0+40 +repage $p-below.png; done
read -r _ x y w h <<<"$(wayland_image changed before-below.png offer-below.png)"
gnome_input move $((x + w - 60)) $((y + 40 + h - 25)) sleep 100 down up || fail "no pointer"
wait_for bound || fail "the bindings are $(gsettings get $key custom-keybindings)"
[[ $(gsettings get $key custom-keybindings) == "['$own', "* ]] || fail "the user's own went"
timeout 60 dbus-monitor "interface='org.freedesktop.Notifications',member='Notify'" >notify.log 2>&1 &
gnome_input keydown ffe3 keydown ffe1 key 33 keyup ffe1 keyup ffe3 || fail "no keys"
saved 1 >/dev/null
# No window of ours has the keyboard: GNOME would drop the copy, and the banner says so.
wait_for grep -q '"Saved, but not copied' notify.log ||
    fail "the notification says: $(grep -A1 'Screenshot taken' notify.log)"
kill %timeout
OFFER=1 start_agent  # a second offer adds nothing twice, whatever the answer
sleep 3
[[ $(gsettings get $key custom-keybindings | grep -o moxilane-screen | wc -l) == 1 ]] ||
    fail "twice: $(gsettings get $key custom-keybindings)"
