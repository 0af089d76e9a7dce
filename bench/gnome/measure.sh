# Sourced by tests/desktop/gnome/session.sh for bench.sh, with lib.sh: prints the timings.
RUNS=${RUNS:-7}
usec() { echo "${EPOCHREALTIME/./}"; }

# Restarted agent (start_agent ends the old one first).
restart_agent() {
    start_agent
    sleep 0.5
}

# ms from `moxilane screen` to the PNG complete under its name in the save folder.
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

# "min median max" of the numbers given.
stats() {
    local sorted
    mapfile -t sorted < <(printf '%s\n' "$@" | sort -n)
    echo "${sorted[0]} ${sorted[$((${#sorted[@]} / 2))]} ${sorted[-1]}"
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
