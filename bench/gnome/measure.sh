# Sourced by tests/desktop/gnome/session.sh for bench.sh, with lib.sh and
# bench/common/png_timing.sh before it: prints the timings.

# Restarted agent (start_agent ends the old one first).
restart_agent() {
    start_agent
    sleep 0.5
}

# The portal alone, for comparison: what GNOME takes for one picture.
portal_ms() {
    local t0
    t0=$(usec)
    portal_shot portal.png
    echo $((($(usec) - t0) / 1000))
}

echo "load before: $(uptime)"
first_png=() warm_png=() portal=()
for _ in $(seq "$RUNS"); do
    restart_agent
    first_png+=("$(png_ms)")
    sleep 1
    warm_png+=("$(png_ms)")
    sleep 0.5
    portal+=("$(portal_ms)")
done
echo "load after: $(uptime)"
echo "runs: $RUNS; ms as min median max"
echo "screen -> PNG on disk, first: $(stats "${first_png[@]}")  (${first_png[*]})"
echo "screen -> PNG on disk, warm:  $(stats "${warm_png[@]}")  (${warm_png[*]})"
echo "portal picture alone (python client, process start included): $(stats "${portal[@]}")"
