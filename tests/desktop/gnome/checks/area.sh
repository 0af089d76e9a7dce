# An area dragged with Mutter's pointer gives exactly that area of the frozen screen. The
# overlay had the focus when the area was chosen: where the seat has a keyboard the same
# picture is on the clipboard; headless GNOME's has none (not even while a RemoteDesktop
# session runs), so Mutter takes no copy from anyone, and the notification must say so.
start_agent
still_portal_shot frozen.png
timeout 60 dbus-monitor "interface='org.freedesktop.Notifications',member='Notify'" >notify.log 2>&1 &
moxilane area || fail "moxilane area failed"
sleep 3  # the overlay shows the frozen picture: nothing to tell it by from the portal
gnome_input move 400 300 sleep 100 down sleep 100 move 700 500 sleep 100 move 900 650 \
    sleep 100 up || fail "no pointer"
same frozen.png "$(saved 1)" 400 300 500 350 || fail "the saved area is not the dragged one"
# wl-paste, like any client, needs the keyboard, which headless GNOME's seat lacks.
if [[ $(wl-paste -l 2>&1) == *"no keyboard"* ]]; then
    wait_for grep -q '"Saved, but not copied' notify.log ||
        fail "the notification says: $(grep -A1 'Screenshot taken' notify.log)"
else
    gnome_input move 1900 1000 sleep 3000 &
    timeout 5 wl-paste -t image/png >clipboard.png || fail "nothing on the clipboard"
    same "$(saved 1)" clipboard.png || fail "the clipboard holds another picture"
    wait_for grep -q '"Saved and copied' notify.log || fail "the notification says otherwise"
fi
kill %timeout
