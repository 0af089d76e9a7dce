# Sourced by tests/desktop/kde/session.sh for bench.sh, with its lib.sh and
# bench/common/png_timing.sh before it: prints the timings.

# Restarted agent; its old socket goes first, so readiness is the new one's.
restart_agent() {
    if [[ -n ${AGENT:-} ]]; then
        kill "$AGENT"
        wait "$AGENT" || true
        rm -f "$XDG_RUNTIME_DIR"/moxilane-*.socket
    fi
    start_agent
    sleep 1 # past the agent's own start-up work
}

start_view 640 480
echo "load before: $(uptime)"
first_png=() warm_png=()
for _ in $(seq "$RUNS"); do
    restart_agent
    first_png+=("$(png_ms)")
    sleep 1
    warm_png+=("$(png_ms)")
done
echo "runs: $RUNS; ms as min median max"
echo "screen -> PNG on disk, first: $(stats "${first_png[@]}")  (${first_png[*]})"
echo "screen -> PNG on disk, warm:  $(stats "${warm_png[@]}")  (${warm_png[*]})"
kde_grab_bench "$((RUNS * 3))"
echo "load after: $(uptime)"
