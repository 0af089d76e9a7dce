# Sourced by tests/wayland/session.sh for bench.sh, with lib.sh and
# bench/common/png_timing.sh before it: prints the timings.

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
