# What every desktop's measure.sh shares; bench.sh puts it in front of that script, since the
# sessions run one script copied out of the checkout.
RUNS=${RUNS:-7}
usec() { echo "${EPOCHREALTIME/./}"; }

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

# "min median max" of the numbers given.
stats() {
    local sorted
    mapfile -t sorted < <(printf '%s\n' "$@" | sort -n)
    echo "${sorted[0]} ${sorted[$((${#sorted[@]} / 2))]} ${sorted[-1]}"
}

