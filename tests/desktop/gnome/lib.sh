# What the GNOME checks share: waiting, pictures, input, the agent. Sourced by session.sh,
# in the work folder $W. Each check runs in a subshell: `fail` ends that check alone.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs the command every 0.2 s until it succeeds, for at most ${WAIT_S:-10} seconds.
wait_for() {
    local end=$((SECONDS + ${WAIT_S:-10}))
    until "$@"; do
        ((SECONDS < end)) || return 1
        sleep 0.2
    done
}

on_bus() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}
shell_on_bus() { on_bus org.gnome.Shell && on_bus org.gnome.Mutter.RemoteDesktop; }
portal_on_bus() { on_bus org.freedesktop.portal.Desktop; }

# same A B [X Y W H]: A, or that rectangle of it, has exactly B's pixels.
same() { wayland_image equal "$@"; }
# The portal's own picture of the screen.
portal_shot() { python3 "$W/gnome_input.py" shot "$1"; }
# Two portal pictures in a row that agree: nothing moves on the screen (the clock may).
still_portal_shot() {
    portal_shot "$1" || fail "the portal gave no picture"
    wait_for still_since "$1" || fail "$1: the screen never stood still"
}
still_since() {
    portal_shot "$1.next" || return 1
    same "$1" "$1.next" 2>/dev/null && return 0
    mv "$1.next" "$1"
    return 1
}

# Mutter's RemoteDesktop: pointer (positions in the monitor's pixels) and keys (keysyms in
# hex). Keys go to the shell, which runs the key bindings; Qt windows do not see them.
gnome_input() { python3 "$W/gnome_input.py" input "$@"; }

# The agent with a save folder and the first-launch offers answered (OFFER=1 leaves the
# shortcuts' offer to come); more settings as arguments (key=value). Ready once its command
# socket exists; ended with the check.
start_agent() {
    stop_agent
    mkdir -p "$HOME/Shots" "$XDG_CONFIG_HOME/Moxilane"
    rm -f "$HOME/Shots"/*
    {
        printf '[General]\nsaveFolderBookmark=%s\ndidAskLaunchAtLogin=true\n' "$HOME/Shots"
        [[ -n ${OFFER:-} ]] || echo didOfferDesktopShortcuts=true
        printf '%s\n' "$@"
    } >"$XDG_CONFIG_HOME/Moxilane/Moxilane.conf"
    moxilane >>agent.log 2>&1 &
    AGENT=$!
    trap stop_agent EXIT
    wait_for agent_listening || fail "the agent did not start listening"
}
# Ends the agent and its windows; the next one starts afresh.
stop_agent() {
    [[ -n ${AGENT:-} ]] || return 0
    kill "$AGENT" 2>/dev/null
    wait "$AGENT" 2>/dev/null
    rm -f "$XDG_RUNTIME_DIR"/moxilane-*.socket
    AGENT=
}
agent_listening() {
    kill -0 "$AGENT" 2>/dev/null || fail "the agent ended: $(tail -n 5 agent.log)"
    compgen -G "$XDG_RUNTIME_DIR/moxilane-*.socket" >/dev/null
}

saved_count() { find "$HOME/Shots" -maxdepth 1 -type f -name '*.png' | wc -l; }
has_saved() { (($(saved_count) >= $1)); }
# Waits for the n-th saved file and prints its path (files in name order).
saved() {
    WAIT_S=${WAIT_S:-20} wait_for has_saved "$1" || fail "no file $1 in the save folder"
    find "$HOME/Shots" -maxdepth 1 -type f -name '*.png' | sort | sed -n "$1p"
}

# The offer to add the shortcuts has shown (its picture in offer.png).
offer_shown() {
    portal_shot offer.png && ! same before.png offer.png 2>/dev/null
}
bound() {
    [[ $(gsettings get org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/moxilane-screen/ command) == "'moxilane screen'" ]]
}
# changed_below_bar BEFORE NOW N: a portal picture NOW differs from BEFORE in more than N
# pixels below the top bar (whose clock and title change on their own); both cropped there
# as BEFORE-below.png and NOW-below.png.
changed_below_bar() {
    portal_shot "$2" || return 1
    local p
    for p in "$1" "$2"; do convert "$p" -crop 1920x1040+0+40 +repage "${p%.png}-below.png"; done
    (($(wayland_image changed "${1%.png}-below.png" "${2%.png}-below.png" | cut -d' ' -f1) > $3))
}
# The screen below the top bar stays the same for four seconds, a banner's time.
settled() {
    portal_shot settle-a.png && sleep 4 && changed_below_bar settle-a.png settle-b.png -1 &&
        (($(wayland_image changed settle-a-below.png settle-b-below.png | cut -d' ' -f1) == 0))
}
