# Sourced by tests/desktop/gnome/session.sh for bench.sh, with lib.sh and
# bench/common/png_timing.sh before it: prints the timings. With another build in $W/old
# (MOXILANE_AGENT), each run times that one too, just before ours, under the same load.

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

builds=(new)
[[ -x $W/old/moxilane ]] && builds=(old new)
declare -A first warm
echo "load before: $(uptime)"
portal=()
for _ in $(seq "$RUNS"); do
    for build in "${builds[@]}"; do
        (
            [[ $build == old ]] && PATH=$W/old:$PATH
            restart_agent
            echo "$(png_ms)" >"first.$build"
            sleep 1
            echo "$(png_ms)" >"warm.$build"
            stop_agent
        )
        first[$build]+=" $(cat "first.$build")"
        warm[$build]+=" $(cat "warm.$build")"
    done
    sleep 0.5
    portal+=("$(portal_ms)")
done
echo "load after: $(uptime)"
echo "runs: $RUNS; ms as min median max"
for build in "${builds[@]}"; do
    # shellcheck disable=SC2086 # the lists are numbers
    echo "$build: screen -> PNG on disk, first: $(stats ${first[$build]})  (${first[$build]# })"
    # shellcheck disable=SC2086
    echo "$build: screen -> PNG on disk, warm:  $(stats ${warm[$build]})  (${warm[$build]# })"
done
echo "portal picture alone (python client, process start included): $(stats "${portal[@]}")"
