# Sourced by tests/wayland/session.sh for bench.sh, with lib.sh: prints the timings.
RUNS=${RUNS:-7}
usec() { echo "${EPOCHREALTIME/./}"; }

# Restarted agent; its old socket goes first, so readiness is the new one's.
restart_agent() {
    if [[ -n ${AGENT:-} ]]; then
        kill "$AGENT"
        wait "$AGENT" || true
        rm -f "$XDG_RUNTIME_DIR"/moxilane-*.socket
    fi
    start_agent
    sleep 0.5
}

# ms from `moxilane screen` to the PNG complete under its name in the save folder: written
# under a temporary name (or none, as an O_TMPFILE) and then moved or linked there.
png_ms() {
    rm -f "$HOME"/Shots/*
    coproc WATCH { exec inotifywait -m -e create -e moved_to --format %f "$HOME/Shots" 2>&1; }
    local line=""
    until [[ $line == "Watches established." ]]; do read -r line <&"${WATCH[0]}"; done
    local t0 name
    t0=$(usec)
    moxilane screen >/dev/null &
    local client=$!
    while read -r name <&"${WATCH[0]}"; do
        [[ $name == *.png && $name != [.#]* ]] && break
    done
    echo $((($(usec) - t0) / 1000))
    kill "$WATCH_PID"
    wait "$client"
}

# ms from `moxilane area` to the overlay's dimming of the output's centre pixel, which
# pixel_watch grabs frame by frame (its time a grab, on stderr, is the resolution); Esc then
# ends the overlay.
overlay_ms() {
    coproc WATCH { exec wayland_pixel_watch 960 540 2>>pixel_watch.log; }
    local watch=$WATCH_PID line=""
    read -r line <&"${WATCH[0]}"
    [[ $line == ready ]] || fail "pixel_watch: $(cat pixel_watch.log)"
    local t0
    t0=$(usec)
    moxilane area >/dev/null &
    local client=$!
    wait "$watch" || fail "pixel_watch: $(cat pixel_watch.log)"
    echo $((($(usec) - t0) / 1000))
    wait "$client"
    wtype -k Escape
    wait_for overlay_gone before.png || fail "Esc left the overlay"
}

# "min median max" of the numbers given.
stats() {
    local sorted
    mapfile -t sorted < <(printf '%s\n' "$@" | sort -n)
    echo "${sorted[0]} ${sorted[$((${#sorted[@]} / 2))]} ${sorted[-1]}"
}

echo "load before: $(uptime)"
first_png=() warm_png=() first_overlay=() warm_overlay=()
for _ in $(seq "$RUNS"); do
    restart_agent
    first_png+=("$(png_ms)")
    sleep 1
    warm_png+=("$(png_ms)")
    restart_agent
    still_shot before.png
    first_overlay+=("$(overlay_ms)")
    sleep 0.5
    warm_overlay+=("$(overlay_ms)")
done
echo "load after: $(uptime)"
echo "runs: $RUNS; ms as min median max"
echo "screen -> PNG on disk, first: $(stats "${first_png[@]}")  (${first_png[*]})"
echo "screen -> PNG on disk, warm:  $(stats "${warm_png[@]}")  (${warm_png[*]})"
echo "area -> overlay shown, first: $(stats "${first_overlay[@]}")  (${first_overlay[*]})"
echo "area -> overlay shown, warm:  $(stats "${warm_overlay[@]}")  (${warm_overlay[*]})"
echo "one-pixel grab (the resolution), ms: $(stats $(cut -d' ' -f2 pixel_watch.log))"
