# What the KDE checks share: waiting, pictures, the agent, fake input.
# Sourced by session.sh in the work folder $W with KWin running; each check runs in a subshell.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs the command every 0.2 s until it succeeds, for at most ${WAIT_S:-20} seconds.
wait_for() {
    local end=$((SECONDS + ${WAIT_S:-20}))
    until "$@"; do
        ((SECONDS < end)) || return 1
        sleep 0.2
    done
}

kwin_screenshots() {
    qdbus org.kde.KWin /org/kde/KWin/ScreenShot2 >/dev/null 2>&1
}

# The compositor's own picture of the whole workspace, through the Screenshot portal.
shot() { portal_shot.py "$1" || portal_shot.py "$1"; }
# Two pictures in a row that agree: the screen has finished painting.
still_shot() {
    shot "$1"
    local end=$((SECONDS + 20))
    until shot "$1.next" && same "$1" "$1.next" 2>/dev/null; do
        ((SECONDS < end)) || fail "$1: the screen never stood still"
        mv "$1.next" "$1"
    done
    rm -f "$1.next"
}
same() { wayland_image equal "$@"; }
# The portal's picture shows the pointer, which ours never do: the pointer rests at a known
# place (park_pointer) and only its box there may differ.
PTR_X=1860 PTR_Y=1020
park_pointer() { kfake move $PTR_X $PTR_Y; }
same_but_pointer() {
    local count x y w h
    read -r count x y w h < <(wayland_image changed "$1" "$2")
    ((count == 0)) && return 0
    ((x >= PTR_X - 4 && y >= PTR_Y - 4 && x + w <= PTR_X + 48 && y + h <= PTR_Y + 48)) ||
        { echo "differs at $x $y $w $h ($count pixels)" >&2; return 1; }
}
changed_now() {
    shot now.png
    wayland_image changed "$1" now.png | cut -d' ' -f1
}
# KWin's desktop is black with no shell, and black stays black dimmed: the overlay shows
# when most of the view's pixels changed.
overlay_shown() { (($(changed_now "$1") > ${VIEW_PIXELS:-0} / 2)); }
wait_overlay() { wait_for overlay_shown "$1" || fail "no overlay over the frozen picture"; }

# The agent (AGENT_PROGRAM, else moxilane) with a save folder and the first-launch offer
# answered; more settings as arguments (key=value). Ready once its command socket exists.
start_agent() {
    mkdir -p "$HOME/Shots" "$XDG_CONFIG_HOME/Moxilane"
    rm -f "$HOME/Shots"/*.png
    printf '[General]\nsaveFolderBookmark=%s\ndidAskLaunchAtLogin=true\n' "$HOME/Shots" \
        >"$XDG_CONFIG_HOME/Moxilane/Moxilane.conf"
    printf '%s\n' "$@" >>"$XDG_CONFIG_HOME/Moxilane/Moxilane.conf"
    ${AGENT_PROGRAM:-moxilane} >agent.log 2>&1 &
    AGENT=$!
    wait_for agent_listening || fail "the agent did not start listening"
}
agent_listening() {
    kill -0 "$AGENT" 2>/dev/null || fail "the agent ended: $(cat agent.log)"
    compgen -G "$XDG_RUNTIME_DIR/moxilane-*.socket" >/dev/null
}
saved_count() { find "$HOME/Shots" -maxdepth 1 -type f -name '*.png' | wc -l; }
has_saved() { (($(saved_count) >= $1)); }
saved() {
    wait_for has_saved "$1" || fail "no file $1 in the save folder"
    find "$HOME/Shots" -maxdepth 1 -type f -name '*.png' | sort | sed -n "$1p"
}

# Our tall page in a window; VIEW is its process, VIEW_RECT its frame ("X Y W H") as the
# screen shows it, found by what changed on the black desktop.
start_view() {
    park_pointer
    shot empty.png
    wayland_scroll_view 0 0 "$1" "$2" "$PWD/view.log" >view-stderr.log 2>&1 &
    VIEW=$!
    wait_for view_shown || fail "the scroll view did not show"
    still_shot with-view.png
    VIEW_RECT=$(wayland_image changed empty.png with-view.png | cut -d' ' -f2-)
    VIEW_PIXELS=$(($1 * $2))
}
view_shown() { (($(changed_now empty.png) > 10000)); }
view_offset() { { grep '^offset' view.log || echo "offset 0"; } | tail -n1 | cut -d' ' -f2; }

# Ends what a check started, so the next starts on an empty desktop.
stop_programs() {
    for pid in ${AGENT:-} ${VIEW:-} ${OTHER:-}; do kill "$pid" 2>/dev/null; done
    sleep 0.5
}

# Runs a piece of JavaScript inside KWin (its scripting), as a window manager's rule would.
kwin_script() {
    local file=$PWD/script-$RANDOM.js id
    printf '%s\n' "$1" >"$file"
    id=$(qdbus org.kde.KWin /Scripting org.kde.kwin.Scripting.loadScript "$file" "check$RANDOM")
    # Plasma 5 puts the script at /ID, Plasma 6 at /Scripting/ScriptID.
    qdbus org.kde.KWin "/$id" org.kde.kwin.Script.run >/dev/null 2>&1 ||
        qdbus org.kde.KWin "/Scripting/Script$id" org.kde.kwin.Script.run >/dev/null
}
# Places the window of process $1 at X Y W H (points).
place_window() {
    kwin_script "for (const w of workspace.clientList()) if (w.pid == $1)
        w.frameGeometry = {x: $2, y: $3, width: $4, height: $5};"
}
# near A B: every pixel within 1 % of the other's, for pictures KWin renders apart from the
# screen (a window alone), whose colours may differ by a rounding step.
near() {
    local count
    count=$(compare -metric AE -fuzz 1% "$1" "$2" null: 2>&1) || true
    [[ $count == 0 ]] || { echo "$count pixels differ" >&2; return 1; }
}
# crop IN X Y W H OUT
crop() { convert "$1" -crop "$4x$5+$2+$3" +repage "$6"; }
