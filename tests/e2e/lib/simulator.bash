# Shared by the end-to-end scripts that talk to the controller simulator: a private work
# folder (also the application folder, so the operator's own files are never touched),
# failure counting, and the simulator itself. Source it once $cli names kelp-cli.

work=$(mktemp -d)
export KELP_HOME="$work/home"
mkdir -p "$KELP_HOME"
failures=0
sim_pid=
sim=${KELP_BUILD_DIR:-$(dirname "$cli")/..}/tools/qz740_sim/qz740-sim

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
        sim_pid=
    fi
}

cleanup_simulator_run() {
    stop_sim
    rm -rf "$work"
}
trap cleanup_simulator_run EXIT

# True when kelp-cli was built with the serial port adapter (a build without Qt has none).
have_serial_port() {
    ! "$cli" send --port /dev/null x 2>&1 | grep -q 'no serial port support'
}

# start_sim <options...>: a fresh simulator with those options; sets $device. What it
# received is logged in $work/sim.log, emptied at each start.
start_sim() {
    stop_sim
    [ -x "$sim" ] || { echo "FAIL: simulator not found at $sim" >&2; exit 1; }
    : >"$work/sim.out"
    : >"$work/sim.log"
    "$sim" --log "$work/sim.log" "$@" >"$work/sim.out" 2>"$work/sim.err" &
    sim_pid=$!
    for _ in $(seq 300); do  # up to 30 s on a busy machine
        device=$(head -n 1 "$work/sim.out")
        [ -n "$device" ] && [ -e "$device" ] && return 0
        sleep 0.1
    done
    echo "FAIL: the simulator did not start: $(cat "$work/sim.err")" >&2
    exit 1
}
