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

# ms from `moxilane screen` to a PNG closed (or moved) into the save folder. The agent may
# write a hidden file first: only a visible *.png counts.
png_ms() {
    rm -f "$HOME"/Shots/*
    coproc WATCH { exec inotifywait -m -e close_write -e moved_to --format %f "$HOME/Shots" 2>&1; }
    local line=""
    until [[ $line == "Watches established." ]]; do read -r line <&"${WATCH[0]}"; done
    local t0 name
    t0=$(usec)
    moxilane screen >/dev/null &
    local client=$!
    while read -r name <&"${WATCH[0]}"; do
        [[ $name == *.png && $name != .* ]] && break
    done
    echo $((($(usec) - t0) / 1000))
    kill "$WATCH_PID"
    wait "$client"
}

# ms from `moxilane area` to the overlay's dimming of the output's centre pixel, seen by grim
# in a tight loop (its period is printed as the resolution); Esc ends the overlay.
pixel() { grim -g "960,540 1x1" -t ppm "$1"; }
overlay_ms() {
    pixel ref.ppm
    local t0
    t0=$(usec)
    moxilane area >/dev/null &
    local client=$!
    while pixel - | cmp -s ref.ppm -; do :; done
    echo $((($(usec) - t0) / 1000))
    wtype -k Escape
    while ! pixel - | cmp -s ref.ppm -; do sleep 0.05; done
    wait "$client"
}

# "min median max" of the numbers given.
stats() {
    local sorted
    mapfile -t sorted < <(printf '%s\n' "$@" | sort -n)
    echo "${sorted[0]} ${sorted[$((${#sorted[@]} / 2))]} ${sorted[-1]}"
}

echo "load before: $(uptime)"
t0=$(usec)
for _ in $(seq 20); do pixel - >/dev/null; done
echo "grim 1-pixel poll period: $((($(usec) - t0) / 20000)) ms"
first_png=() warm_png=() first_overlay=() warm_overlay=()
for _ in $(seq "$RUNS"); do
    restart_agent
    first_png+=("$(png_ms)")
    sleep 1
    warm_png+=("$(png_ms)")
    restart_agent
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
