# What the checks share: waiting, pictures, the agent, the pointer, the window tree.
# Sourced by session.sh, in the check's work folder $W, with sway running.

# On standard error: a failure inside $(...) must show too.
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs the command every 0.1 s until it succeeds, for at most ${WAIT_S:-10} seconds.
wait_for() {
    local end=$((SECONDS + ${WAIT_S:-10}))
    until "$@"; do
        ((SECONDS < end)) || return 1
        sleep 0.1
    done
}

# grim's picture of an output (HEADLESS-1 unless named).
shot() { grim -o "${2:-HEADLESS-1}" "$1"; }
# Two pictures in a row that agree: the output has finished painting.
still_shot() {
    shot "$1.tmp" "${2:-HEADLESS-1}"
    wait_for still_since "$1.tmp" "${2:-HEADLESS-1}" || fail "$1: the output never stood still"
    mv "$1.tmp" "$1"
}
still_since() {
    shot "$1.next" "$2"
    wayland_image equal "$1" "$1.next" 2>/dev/null && return 0
    mv "$1.next" "$1"
    return 1
}

# same A B [X Y W H]: A, or that rectangle of it, has exactly B's pixels.
same() { wayland_image equal "$@"; }
# How many pixels of the output differ from picture $1 now.
changed_now() {
    shot now.png "${2:-HEADLESS-1}"
    wayland_image changed "$1" now.png | cut -d' ' -f1
}
# The overlay shows the frozen picture $1 dimmed: most pixels differ from it.
overlay_shown() { (($(changed_now "$1") > 1920 * 1080 / 2)); }
overlay_gone() { (($(changed_now "$1") == 0)); }
wait_overlay() { wait_for overlay_shown "$1" || fail "no overlay over the frozen picture"; }

# Output n shows its background and the bar has claimed its place.
desktop_up() {
    local bar
    bar=$(swaymsg -t get_workspaces | jq --arg o "HEADLESS-$1" '.[] | select(.output == $o) |
        .rect.height < (if $o == "HEADLESS-1" then 1080 else 720 end)')
    [[ $bar == true ]] && (($(changed_now "bg-$1.png" "HEADLESS-$1") < 1920 * 1080 / 10))
}
wait_desktop() { wait_for desktop_up "$1" || fail "HEADLESS-$1 did not show its desktop"; }
# A second output, right of the first.
add_output() {
    swaymsg create_output >/dev/null
    wait_desktop 2
    LAYOUT="3200 1080"
}

# The agent with a save folder and the first-launch offer answered; more settings as
# arguments (key=value). Ready once its command socket exists.
start_agent() {
    mkdir -p "$HOME/Shots" "$XDG_CONFIG_HOME/Moxilane"
    printf '[General]\nsaveFolderBookmark=%s\ndidAskLaunchAtLogin=true\n' "$HOME/Shots" \
        >"$XDG_CONFIG_HOME/Moxilane/Moxilane.conf"
    printf '%s\n' "$@" >>"$XDG_CONFIG_HOME/Moxilane/Moxilane.conf"
    moxilane >agent.log 2>&1 &
    AGENT=$!
    wait_for agent_listening || fail "the agent did not start listening"
    # Its tray icon comes to swaybar a moment later and would change the pictures.
    wait_for tray_items || fail "the agent's tray icon did not reach swaybar"
}
tray_items() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:RegisteredStatusNotifierItems 2>/dev/null | grep -q 'string "'
}
agent_listening() {
    kill -0 "$AGENT" 2>/dev/null || fail "the agent ended: $(cat agent.log)"
    compgen -G "$XDG_RUNTIME_DIR/moxilane-*.socket" >/dev/null
}

saved_count() { find "$HOME/Shots" -maxdepth 1 -type f -name '*.png' | wc -l; }
has_saved() { (($(saved_count) >= $1)); }
# Waits for the n-th saved file and prints its path (files in name order).
saved() {
    wait_for has_saved "$1" || fail "no file $1 in the save folder"
    find "$HOME/Shots" -maxdepth 1 -type f -name '*.png' | sort | sed -n "$1p"
}

# The virtual pointer, positions in the layout's pixels (one output unless LAYOUT says).
ptr() { wayland_vptr ${LAYOUT:-1920 1080} "$@"; }

# "X Y W H" of the window of process $1 in sway's tree.
window_rect() {
    swaymsg -t get_tree | jq -r --argjson pid "$1" \
        '.. | objects | select(.pid? == $pid) | .rect | "\(.x) \(.y) \(.width) \(.height)"'
}

# Our scroll view (the tall page), floated to X Y W H; VIEW is its process.
start_view() {
    wayland_scroll_view 0 0 "$3" "$4" "$W/view.log" >view-stderr.log 2>&1 &
    VIEW=$!
    wait_for view_at "*" || fail "the scroll view did not map"
    swaymsg "[pid=$VIEW] floating enable, resize set $3 $4, move position $1 $2" >/dev/null
    wait_for view_at "$*" || fail "the scroll view is at $(window_rect $VIEW), not $*"
}
view_at() { [[ -n $(window_rect $VIEW) && $(window_rect $VIEW) == $1 ]]; }
# How far the view has scrolled.
view_offset() { { grep '^offset' view.log || echo "offset 0"; } | tail -n1 | cut -d' ' -f2; }
