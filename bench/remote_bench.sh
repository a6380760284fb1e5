#!/usr/bin/env bash
# Remote-site benchmark: a complete upload and a main-image download by kelp-cli through
# ser2net (a raw TCP port in front of the controller simulator, both directions paced at 9600
# baud) and a proxy that holds every byte 50 ms each way, as a slow site link does. For each,
# prints the wall time, the bound (every byte on the wire at 960 bytes a second, plus one
# round trip for every line that waits for its answer) and their ratio; near 1 means the
# program adds next to nothing to what the wire and the network take. Target: 1.05 or less.
# Not part of the test suite: it takes a few minutes.
# Usage: bench/remote_bench.sh [BUILD_DIR]     (default: $KELP_BUILD_DIR, else ./build)
set -u

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-${KELP_BUILD_DIR:-$here/../build}}
cli=$build/cli/kelp-cli
sim=$build/tools/qz740_sim/qz740-sim
sample=$here/../examples/sample.dat
delay_ms=${REMOTE_DELAY_MS:-50}
for tool in "$cli" "$sim"; do
    [ -x "$tool" ] || { echo "remote_bench: $tool not built" >&2; exit 2; }
done
ser2net=$(command -v ser2net || echo /usr/sbin/ser2net)
[ -x "$ser2net" ] || { echo "remote_bench: ser2net is not installed (make deps)" >&2; exit 2; }

work=$(mktemp -d)
export KELP_HOME="$work/home"
mkdir -p "$KELP_HOME"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
wait_listening() {
    for _ in $(seq 100); do
        (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        sleep 0.1
    done
    echo "remote_bench: nothing listens on port $1" >&2
    exit 1
}

"$sim" --pace --delay 0 --dat "$sample" --log "$work/sim.log" >"$work/sim.out" 2>"$work/sim.err" &
pids+=($!)
device=
for _ in $(seq 50); do
    device=$(head -n 1 "$work/sim.out")
    [ -n "$device" ] && [ -e "$device" ] && break
    sleep 0.1
done
[ -n "$device" ] || { echo "remote_bench: the simulator did not start: $(cat "$work/sim.err")" >&2; exit 1; }

server_port=$(free_port)
proxy_port=$(free_port)
printf 'connection: &qz740\n  accepter: tcp,127.0.0.1,%s\n  connector: serialdev,%s,9600n81,local\n  options:\n    chardelay: false\n' \
    "$server_port" "$device" >"$work/ser2net.yaml"
"$ser2net" -n -d -c "$work/ser2net.yaml" >"$work/ser2net.log" 2>&1 &
pids+=($!)
wait_listening "$server_port"

# The slow link: each chunk leaves the proxy delay_ms after it arrived, in order, both ways.
python3 - "$proxy_port" "$server_port" "$delay_ms" <<'EOF' &
import asyncio, sys
listen, target, delay = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]) / 1000
async def carry(reader, writer):
    queue = asyncio.Queue()
    async def send():
        while True:
            due, data = await queue.get()
            if data is None:
                writer.close()
                return
            await asyncio.sleep(max(0, due - loop.time()))
            writer.write(data)
            await writer.drain()
    sender = asyncio.ensure_future(send())
    while data := await reader.read(4096):
        queue.put_nowait((loop.time() + delay, data))
    queue.put_nowait((loop.time() + delay, None))
    await sender
async def client(reader, writer):
    up_reader, up_writer = await asyncio.open_connection("127.0.0.1", target)
    await asyncio.gather(carry(reader, up_writer), carry(up_reader, writer), return_exceptions=True)
async def main():
    global loop
    loop = asyncio.get_running_loop()
    server = await asyncio.start_server(client, "127.0.0.1", listen)
    async with server:
        await server.serve_forever()
asyncio.run(main())
EOF
pids+=($!)
wait_listening "$proxy_port"
port="tcp://127.0.0.1:$proxy_port"
rtt=$(awk -v d="$delay_ms" 'BEGIN { print 2 * d / 1000 }')
echo "link:             $port -> ser2net -> qz740-sim --pace, ${delay_ms} ms each way (round trip $rtt s)"

: >"$work/sim.log"
"$cli" download --port "$port" --write "$work/out.dat" >"$work/down.out" 2>"$work/down.err" ||
    { echo "remote_bench: the download failed:" >&2; tail -n 20 "$work/down.err" >&2; exit 1; }
# The request, one "OK" for each further line, and the simulator's byte count at the end.
awk -v rtt="$rtt" '
    / RX 1SendEram<CR>/ && !begun { begun = 1 }
    begun && / RX OK<CR>/ { requests++ }
    begun && /-- main image sent:/ {
        # "-- main image sent: 12345.6 ms, 9876 bytes in, 54321 bytes out"
        wall = $0; sub(/.* sent: /, "", wall); sub(/ ms,.*/, "", wall); wall += 0
        tin = $0; sub(/.* ms, /, "", tin); sub(/ bytes in.*/, "", tin); tin += 0
        tout = $0; sub(/.* bytes in, /, "", tout); sub(/ bytes out.*/, "", tout); tout += 0
        done = 1; exit
    }
    END {
        if (!done) { print "remote_bench: no main image in the simulator log" > "/dev/stderr"; exit 1 }
        both = tin + tout
        bound = both / 960 + (requests + 1) * rtt
        printf "download:         %d answers awaited, %d bytes both ways\n", requests + 1, both
        printf "  bound:          %.3f s (wire %.3f s + %d x %s s)\n", bound, both / 960, requests + 1, rtt
        printf "  wall time:      %.3f s (request to the end of the image)\n", wall / 1000
        printf "  ratio:          %.3f\n", (wall / 1000) / bound
    }' "$work/sim.log"

# ser2net lets go of its device some time after a client leaves (after a paced run, up to a
# minute was seen); the upload is timed from when the server takes a client again.
python3 - "$server_port" <<'EOF'
import socket, sys, time
started = time.time()
while time.time() - started < 60:
    s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
    s.settimeout(0.3)
    try:
        said = s.recv(100)
    except socket.timeout:
        said = b""
    s.close()
    if b"in use" not in said:
        break
    time.sleep(0.2)
print("server free:      %.1f s after the download" % (time.time() - started))
EOF
cp "$sample" "$work/up.dat"
: >"$work/sim.log"
"$cli" upload "$work/up.dat" --port "$port" --yes >"$work/up.out" 2>"$work/up.err" ||
    { echo "remote_bench: the upload failed:" >&2; tail -n 20 "$work/up.err" >&2; exit 1; }
# From the simulator's log: each line and its answer, from the first command to the reset.
awk -v rtt="$rtt" '
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
        commands++; both += bytes(line) + bytes(reply)
        if (line ~ /^[123]\*3[1-4]0/) segments++
    }
    END {
        if (!done) { print "remote_bench: no reset in the simulator log" > "/dev/stderr"; exit 1 }
        bound = both / 960 + segments * 0.05 + commands * rtt
        printf "upload:           %d lines, %d bytes both ways\n", commands, both
        printf "  bound:          %.3f s (wire %.3f s + %d x 50 ms tone pauses + %d x %s s)\n", \
            bound, both / 960, segments, commands, rtt
        printf "  wall time:      %.3f s (first command to the reset)\n", wall / 1000
        printf "  ratio:          %.3f\n", (wall / 1000) / bound
    }' "$work/sim.log" || exit 1

