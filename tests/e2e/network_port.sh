#!/usr/bin/env bash
# kelp-cli reaching the controller simulator through ser2net, as an operator reaches a site:
# a raw TCP port (tcp://) and a Telnet COM-PORT port (rfc2217://) carry the same lines and
# answers as the local device; a port nothing listens on fails at once with the reason.
# Usage: network_port.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: network_port.sh <path-to-kelp-cli> <e2e-dir>}
source "$(dirname "$0")/lib/simulator.bash"

ser2net=$(command -v ser2net || echo /usr/sbin/ser2net)
if [ ! -x "$ser2net" ]; then
    echo "network_port: skipped (ser2net is not installed; make deps installs it)"
    exit 0
fi
if ! have_serial_port; then
    echo "network_port: skipped (kelp-cli built without the serial port adapter)"
    exit 0
fi

ser2net_pid=
cleanup_network_run() {
    [ -n "$ser2net_pid" ] && kill "$ser2net_pid" 2>/dev/null && wait "$ser2net_pid" 2>/dev/null
    cleanup_simulator_run
}
trap cleanup_network_run EXIT

run() {
    local name=$1
    shift
    timeout 60 "$cli" "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.rc"
}
expect_status() {
    [ "$(cat "$work/$1.rc")" -eq "$2" ] ||
        fail "$1: exit $(cat "$work/$1.rc"), expected $2 ($(head -c 400 "$work/$1.err"))"
}
free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

start_sim --nack '1\*9000.*'
raw_port=$(free_port)
rfc_port=$(free_port)
cat >"$work/ser2net.yaml" <<EOF
connection: &raw
  accepter: tcp,127.0.0.1,$raw_port
  connector: serialdev,$device,9600n81,local
connection: &rfc2217
  accepter: telnet(rfc2217),tcp,127.0.0.1,$rfc_port
  connector: serialdev,$device,9600n81,local
EOF
"$ser2net" -n -d -c "$work/ser2net.yaml" -P "$work/ser2net.pid" >"$work/ser2net.log" 2>&1 &
ser2net_pid=$!
for _ in $(seq 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$rfc_port") 2>/dev/null && break
    sleep 0.1
done

# Both kinds of address carry the lines and their answers, refusals included, as a local port.
for scheme in tcp rfc2217; do
    port=$raw_port
    [ "$scheme" = rfc2217 ] && port=$rfc_port
    seen=$(wc -l <"$work/sim.log")
    run "$scheme" send --port "$scheme://127.0.0.1:$port" '1*10001050' '1*10002180' '1*9000123'
    expect_status "$scheme" 1
    [ "$(cat "$work/$scheme.out")" = $'+ 1*10001050\n+ 1*10002180' ] ||
        fail "$scheme: stdout was '$(cat "$work/$scheme.out")'"
    grep -q 'Kelp receive a NACK from the QZ740' "$work/$scheme.err" || fail "$scheme: no NACK box"
    tail -n +$((seen + 1)) "$work/sim.log" >"$work/$scheme.sim"
    received=$(sed -n 's/.*RX \(.*\) -> .*/\1/p' "$work/$scheme.sim" | tr '\n' ' ')
    [ "$received" = '1*10001050<CR> 1*10002180<CR> 1*9000123<CR> ' ] ||
        fail "$scheme: the simulator received '$received'"
    grep -q ' RX <CR>$' "$work/$scheme.sim" || fail "$scheme: the session was not primed with a CR"
done

# Nothing listens: the port box with the reason, at once.
closed=$(free_port)
start=$(date +%s)
run refused send --port "rfc2217://127.0.0.1:$closed" '1*10001050'
took=$(($(date +%s) - start))
expect_status refused 2
grep -q 'Serial Port Error' "$work/refused.err" || fail "refused: no port box"
grep -q "Reason: cannot connect to 127.0.0.1:$closed: the connection was refused" "$work/refused.err" ||
    fail "refused: reason missing: $(cat "$work/refused.err")"
[ "$took" -le 3 ] || fail "refused: took ${took}s"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "network_port: all checks passed"
