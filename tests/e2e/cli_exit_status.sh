#!/usr/bin/env bash
# kelp-cli's exit statuses as one table: every command that talks to the controller, against
# every way the link or the controller can fail, ends with the one status that names it
# (4 the port could not be opened or the connection was lost, 5 the controller refused or did
# not answer), and no file given to it changes. The cases run side by side, each with its own
# simulator and application folder, so the time-outs are waited once.
# Usage: cli_exit_status.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: cli_exit_status.sh <path-to-kelp-cli> <e2e-dir>}
e2e=${2:?usage: cli_exit_status.sh <path-to-kelp-cli> <e2e-dir>}
sample=$e2e/../../examples/sample.dat
source "$(dirname "$0")/lib/simulator.bash"
set -f  # the simulator's patterns (".*") are no file names

if ! have_serial_port; then
    echo "cli_exit_status: skipped (kelp-cli built without the serial port adapter)"
    exit 0
fi

# A local TCP port nobody listens on: taken from the system, then let go.
closed=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$cli" dtmf-wav 1234 "$work/id.wav" --delay 60 >/dev/null 2>&1 || fail "dtmf-wav failed"

# Each command's arguments, PORT standing for the device; FILE is the case's own copy of the
# sample. The controller is lost at the second line each sends (the first after the port's
# opening CR): a command awaiting its answer, or the download's request.
commands=(
    "send --port PORT 1*10001180 1*10002180"
    "set-clock --port PORT"
    "upload FILE --port PORT --yes"
    "download --port PORT --write FILE"
    "compare FILE --port PORT"
    "watch FILE --port PORT --history HISTORY"
    "erase-macros FILE --port PORT --yes"
    "codes FILE --unlock 1=2468 --lock 975 --send --port PORT"
    "record-track WAV --track 3 --port PORT"
)
# Each way to fail: the expected status, then what answers at PORT ("sim" and its options).
kinds=(absent refused silent refusing lost)
declare -A expected=([absent]=4 [refused]=4 [silent]=5 [refusing]=5 [lost]=4)
declare -A answers=(
    [absent]="$work/no-such-device"
    [refused]="tcp://127.0.0.1:$closed"
    [silent]="sim --silent .*"
    [refusing]='sim --nack (?!OK$).+ --refuse-download all'
    [lost]="sim --hang-up-after 2"
)

# run_case <dir> <kind> <command>: one case in its own folder; its status goes to <dir>/rc.
run_case() {
    local dir=$1 kind=$2 command=$3 port=${answers[$2]} sim_pid=
    mkdir -p "$dir/home"
    cp "$sample" "$dir/site.dat"
    cp "$sample" "$dir/before.dat"
    if [ "${port%% *}" = sim ]; then
        "$sim" --delay 0 --dat "$sample" --log "$dir/sim.log" ${port#sim } >"$dir/sim.out" 2>&1 &
        sim_pid=$!
        port=
        for _ in $(seq 300); do
            port=$(head -n 1 "$dir/sim.out")
            [ -n "$port" ] && [ -e "$port" ] && break
            sleep 0.1
        done
    fi
    command=${command//PORT/$port}
    command=${command//FILE/$dir/site.dat}
    command=${command//HISTORY/$dir/history}
    command=${command//WAV/$work/id.wav}
    KELP_HOME=$dir/home timeout 90 "$cli" $command >"$dir/out" 2>"$dir/err" </dev/null
    echo $? >"$dir/rc"
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
    wait
}

started=$(date +%s)
for kind in "${kinds[@]}"; do
    for i in "${!commands[@]}"; do
        run_case "$work/$kind-$i" "$kind" "${commands[$i]}" &
    done
done
wait

printf '%-14s' command "${kinds[@]}" >"$work/table"
echo >>"$work/table"
for i in "${!commands[@]}"; do
    name=${commands[$i]%% *}
    printf '%-14s' "$name" >>"$work/table"
    for kind in "${kinds[@]}"; do
        dir=$work/$kind-$i
        rc=$(cat "$dir/rc" 2>/dev/null || echo none)
        printf '%-14s' "$rc" >>"$work/table"
        [ "$rc" = "${expected[$kind]}" ] ||
            fail "$name, $kind: exit $rc, expected ${expected[$kind]}: $(grep -v '^$' "$dir/err" | tail -n 3)"
        # codes keeps the codes the controller did not take in FILE.dat as new, by design.
        [ "$name" = codes ] || cmp -s "$dir/site.dat" "$dir/before.dat" ||
            fail "$name, $kind: the database file changed"
    done
    echo >>"$work/table"
done
cat "$work/table"
echo "cli_exit_status: $((${#commands[@]} * ${#kinds[@]})) cases in $(($(date +%s) - started)) s"
exit $((failures > 0))
