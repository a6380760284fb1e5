#!/usr/bin/env bash
# Upload benchmark: a complete upload of a full database with the RTC option board by
# kelp-cli through the real serial port code into the controller simulator, both directions
# paced at 9600 baud (960 bytes a second). Prints the wall time of the exchange, the
# wire-time bound (every byte both ways at 960 bytes a second, as if nothing overlapped,
# plus the pauses the controller asks for: 50 ms after each courtesy tone segment and the
# SerialDelay after each line, 0 in a fresh kelp.ini) and their ratio; a ratio near 1 means
# the program adds next to nothing to what the wire and the controller take. The program
# sends its next line as soon as the "+" is in, while the answer's CR LF is still on the
# way, so the two directions overlap a little and a ratio just under 1 is possible.
# Not part of the test suite: it takes about half a minute.
# Usage: bench/upload_bench.sh [BUILD_DIR]     (default: $KELP_BUILD_DIR, else ./build)
set -u

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-${KELP_BUILD_DIR:-$here/../build}}
cli=$build/cli/kelp-cli
sim=$build/tools/qz740_sim/qz740-sim
database=$here/../tests/data/full_rtc.dat
for tool in "$cli" "$sim"; do
    [ -x "$tool" ] || { echo "upload_bench: $tool not built" >&2; exit 2; }
done

work=$(mktemp -d)
export KELP_HOME="$work/home"
mkdir -p "$KELP_HOME"
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cp "$database" "$work/up.dat"

"$sim" --pace --delay 0 --log "$work/sim.log" >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
device=
for _ in $(seq 50); do
    device=$(head -n 1 "$work/sim.out")
    [ -n "$device" ] && [ -e "$device" ] && break
    sleep 0.1
done
[ -n "$device" ] || { echo "upload_bench: the simulator did not start: $(cat "$work/sim.err")" >&2; exit 1; }

start_ns=$(date +%s%N)
"$cli" upload "$work/up.dat" --port "$device" --yes >"$work/cli.out" 2>"$work/cli.err"
rc=$?
total_ms=$((($(date +%s%N) - start_ns) / 1000000))
if [ $rc -ne 0 ]; then
    echo "upload_bench: kelp-cli upload failed (exit $rc):" >&2
    tail -n 20 "$work/cli.err" >&2
    exit 1
fi

# From the simulator's log: each line received (its CR included) and its answer, from the
# upload's first command to the reset, which is sent as soon as the last answer is in.
awk '
    function ms(t,   p) { split(t, p, ":"); return ((p[1] * 60 + p[2]) * 60 + p[3]) * 1000 }
    function bytes(text,   n) { n = gsub(/<CR>|<LF>/, "x", text); return length(text) }
    / RX / {
        line = $0; sub(/.* RX /, "", line)
        reply = ""
        if (index(line, " -> ")) { reply = line; sub(/.* -> /, "", reply); sub(/ -> .*/, "", line) }
        sub(/ \[.*/, "", reply); if (reply == "(silence)") reply = ""
        if (line == "<CR>" || line ~ /^1GetVersion/) next
        if (!begun) { begun = 1; first = ms($2) }
        if (line ~ /^1\*21999<CR>/) { wall = ms($2) - first; done = 1; exit }
        commands++; tin += bytes(line); tout += bytes(reply)
        if (line ~ /^[123]\*3[1-4]0/) segments++
    }
    END {
        if (!done) { print "upload_bench: no reset in the simulator log" > "/dev/stderr"; exit 1 }
        both = tin + tout
        bound = both / 960 + segments * 0.05
        printf "commands:         %d lines (%d courtesy tone segments)\n", commands, segments
        printf "bytes:            %d to the controller, %d from it, %d both ways\n", tin, tout, both
        printf "wire-time bound:  %.3f s (both ways / 960 per second + %d x 50 ms)\n", bound, segments
        printf "wall time:        %.3f s (first command to the reset)\n", wall / 1000
        printf "ratio:            %.3f\n", (wall / 1000) / bound
    }' "$work/sim.log" || exit 1
awk -v total="$total_ms" 'BEGIN { printf "whole command:    %.3f s (with the load and the firmware query)\n", total / 1000 }'
