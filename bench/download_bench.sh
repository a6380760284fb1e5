#!/usr/bin/env bash
# Download benchmark: a full main-image download by kelp-cli through the real serial port
# code from the controller simulator, both directions paced at 9600 baud (960 bytes a
# second). Prints the wall time of the exchange, the wire-time bound (every byte of it, both
# ways, at 960 bytes a second, as if nothing overlapped) and their ratio; a ratio near 1
# means the program adds next to nothing to what the wire itself takes.
# Not part of the test suite: it takes about a minute.
# Usage: bench/download_bench.sh [BUILD_DIR]     (default: $KELP_BUILD_DIR, else ./build)
set -u

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-${KELP_BUILD_DIR:-$here/../build}}
cli=$build/cli/kelp-cli
sim=$build/tools/qz740_sim/qz740-sim
sample=$here/../examples/sample.dat
for tool in "$cli" "$sim"; do
    [ -x "$tool" ] || { echo "download_bench: $tool not built" >&2; exit 2; }
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

"$sim" --pace --delay 0 --dat "$sample" --log "$work/sim.log" >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
device=
for _ in $(seq 50); do
    device=$(head -n 1 "$work/sim.out")
    [ -n "$device" ] && [ -e "$device" ] && break
    sleep 0.1
done
[ -n "$device" ] || { echo "download_bench: the simulator did not start: $(cat "$work/sim.err")" >&2; exit 1; }

start_ns=$(date +%s%N)
"$cli" download --port "$device" --write "$work/out.dat" >"$work/cli.out" 2>"$work/cli.err"
rc=$?
total_ms=$((($(date +%s%N) - start_ns) / 1000000))
if [ $rc -ne 0 ]; then
    echo "download_bench: kelp-cli download failed (exit $rc):" >&2
    tail -n 20 "$work/cli.err" >&2
    exit 1
fi

# The simulator's count of the bytes on the wire, from the request to the end marker.
figures=$(grep -- '-- main image sent:' "$work/sim.log" | tail -n 1)
[ -n "$figures" ] || { echo "download_bench: the simulator logged no main image" >&2; exit 1; }
bytes_in=$(sed -n 's/.* \([0-9]*\) bytes in.*/\1/p' <<<"$figures")
bytes_out=$(sed -n 's/.* \([0-9]*\) bytes out.*/\1/p' <<<"$figures")
lines=$(wc -l <"$KELP_HOME/download.mem")

# The program's own view of the wall time, from its serial trace: the request sent to the
# last byte received before it closed the port.
trace=$(ls "$KELP_HOME"/serial-trace-*.log | head -n 1)
read -r wall_ms < <(awk '
    function ms(t,   p) { split(t, p, ":"); return ((p[1] * 60 + p[2]) * 60 + p[3]) * 1000 }
    / TX 1SendEram<CR>/ && !begun { begun = 1; first = ms($2) }
    begun && / RX / { last = ms($2) }
    begun && / -- close / { d = last - first; if (d < 0) d += 86400000; printf "%d\n", d; exit }
' "$trace")

awk -v lines="$lines" -v tin="$bytes_in" -v tout="$bytes_out" -v wall="$wall_ms" \
    -v total="$total_ms" 'BEGIN {
    both = tin + tout
    bound = both / 960
    printf "main image:       %d lines\n", lines
    printf "bytes:            %d to the controller, %d from it, %d both ways\n", tin, tout, both
    printf "wire-time bound:  %.3f s (both ways / 960 per second)\n", bound
    printf "wall time:        %.3f s (request sent to end marker received)\n", wall / 1000
    printf "ratio:            %.3f\n", (wall / 1000) / bound
    printf "whole command:    %.3f s (with the decode, the write and the load)\n", total / 1000
}'
