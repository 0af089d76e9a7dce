# Ctrl+Shift+1, pressed by position through KWin's fake keyboard, reaches the agent through
# the desktop's shortcuts portal and starts an area capture; Esc ends it.
start_view 640 480
start_agent
park_pointer
still_shot frozen.png
# evdev: 29 left Ctrl, 42 left Shift, 2 the key 1, 1 Esc.
press() { kfake keydown 29 keydown 42 key 2 keyup 42 keyup 29; }
shown() { press; sleep 1; overlay_shown frozen.png; }
WAIT_S=30 wait_for shown || fail "Ctrl+Shift+1 started no capture: $(cat agent.log)"
kfake key 1
