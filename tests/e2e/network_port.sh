#!/usr/bin/env bash
# kelp-cli reaching the controller simulator through ser2net, as an operator reaches a site:
# a raw TCP port (tcp://), a Telnet COM-PORT port (rfc2217://) and the latter inside TLS
# (ser2net's own or stunnel's, rfc2217+tls://) carry the same lines and answers as the local
# device: a complete upload puts the same lines on the wire, a download reads the same
# database. A port nothing listens on fails at once with the reason; an untrusted certificate
# is named by its fingerprint, which then pins it; a second client is turned away in the
# server's words; a connection that drops mid-upload or mid-download fails, never succeeds.
# Usage: network_port.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: network_port.sh <path-to-kelp-cli> <e2e-dir>}
sample=${2:?usage: network_port.sh <path-to-kelp-cli> <e2e-dir>}/../../examples/sample.dat
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
stunnel_pid=
stop_servers() {
    [ -n "$ser2net_pid" ] && kill "$ser2net_pid" 2>/dev/null && wait "$ser2net_pid" 2>/dev/null
    [ -n "$stunnel_pid" ] && kill "$stunnel_pid" 2>/dev/null && wait "$stunnel_pid" 2>/dev/null
    ser2net_pid=
    stunnel_pid=
}
cleanup_network_run() {
    stop_servers
    cleanup_simulator_run
}
trap cleanup_network_run EXIT

run() {
    local name=$1
    shift
    timeout 120 "$cli" "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.rc"
}
expect_status() {
    [ "$(cat "$work/$1.rc")" -eq "$2" ] ||
        fail "$1: exit $(cat "$work/$1.rc"), expected $2 ($(grep -A8 'Error\]\|Reason' "$work/$1.err" | head -c 600))"
}
free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
wait_listening() {
    for _ in $(seq 100); do
        (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        sleep 0.1
    done
    fail "nothing listens on port $1"
}
received() { sed -n 's/.* RX \(.*\) -> .*/\1/p' "$work/sim.log"; }

raw_port=$(free_port)
rfc_port=$(free_port)
tls_port=$(free_port)
ssl_port=$(free_port)

stunnel=$(command -v stunnel4 || command -v stunnel || true)
if [ -n "$stunnel" ] && command -v openssl >/dev/null; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
        -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
        -keyout "$work/site.key" -out "$work/site.pem" >/dev/null 2>&1 ||
        fail "openssl could not make the test certificate"
    fingerprint=$(openssl x509 -in "$work/site.pem" -noout -fingerprint -sha256 | sed 's/.*=//')
else
    stunnel=
    echo "network_port: TLS rows skipped (stunnel or openssl missing; make deps installs them)"
fi

# start_servers: ser2net in front of the simulator's $device, a raw and an RFC 2217 accepter
# with the character delay off (as the README advises for a controller's one-line answers),
# and stunnel putting the RFC 2217 port inside TLS.
start_servers() {
    stop_servers
    local accepter
    : >"$work/ser2net.yaml"
    for accepter in "tcp,127.0.0.1,$raw_port" "telnet(rfc2217),tcp,127.0.0.1,$rfc_port" \
        ${stunnel:+"telnet(rfc2217),ssl(key=$work/site.key,cert=$work/site.pem),tcp,127.0.0.1,$ssl_port"}; do
        printf 'connection: &c%s\n  accepter: %s\n  connector: serialdev,%s,9600n81,local\n  options:\n    chardelay: false\n' \
            "${accepter##*,}" "$accepter" "$device" >>"$work/ser2net.yaml"
    done
    "$ser2net" -n -d -c "$work/ser2net.yaml" -P "$work/ser2net.pid" >"$work/ser2net.log" 2>&1 &
    ser2net_pid=$!
    wait_listening "$raw_port"
    wait_listening "$rfc_port"
    [ -n "$stunnel" ] || return 0
    wait_listening "$ssl_port"
    printf 'foreground = yes\npid =\n[site]\naccept = 127.0.0.1:%s\nconnect = 127.0.0.1:%s\ncert = %s\nkey = %s\n' \
        "$tls_port" "$rfc_port" "$work/site.pem" "$work/site.key" >"$work/stunnel.conf"
    "$stunnel" "$work/stunnel.conf" >"$work/stunnel.log" 2>&1 &
    stunnel_pid=$!
    wait_listening "$tls_port"
}

start_sim --nack '1\*9000.*'
start_servers

# Both kinds of address carry the lines and their answers, refusals included, as a local port.
for scheme in tcp rfc2217; do
    port=$raw_port
    [ "$scheme" = rfc2217 ] && port=$rfc_port
    : >"$work/sim.log"
    run "$scheme" send --port "$scheme://127.0.0.1:$port" '1*10001050' '1*10002180' '1*9000123'
    expect_status "$scheme" 5
    [ "$(cat "$work/$scheme.out")" = $'+ 1*10001050\n+ 1*10002180' ] ||
        fail "$scheme: stdout was '$(cat "$work/$scheme.out")'"
    grep -q 'Kelp receive a NACK from the QZ740' "$work/$scheme.err" || fail "$scheme: no NACK box"
    lines=$(received | tr '\n' ' ')
    [ "$lines" = '1*10001050<CR> 1*10002180<CR> 1*9000123<CR> ' ] ||
        fail "$scheme: the simulator received '$lines'"
    grep -q ' RX <CR>$' "$work/sim.log" || fail "$scheme: the session was not primed with a CR"
done

# Nothing listens: the port box with the reason, at once.
closed=$(free_port)
start=$(date +%s)
run refused send --port "rfc2217://127.0.0.1:$closed" '1*10001050'
took=$(($(date +%s) - start))
expect_status refused 4
grep -q 'Serial Port Error' "$work/refused.err" || fail "refused: no port box"
grep -q "Reason: cannot connect to 127.0.0.1:$closed: the connection was refused" "$work/refused.err" ||
    fail "refused: reason missing: $(cat "$work/refused.err")"
[ "$took" -le 3 ] || fail "refused: took ${took}s"

# ser2net serves one client at a time: the second is turned away, in the server's words.
exec 4<>"/dev/tcp/127.0.0.1/$rfc_port"
run second send --port "rfc2217://127.0.0.1:$rfc_port" '1*10001050'
exec 4<&-
expect_status second 4
grep -q 'the server closed the connection, saying "Port already in use"' "$work/second.err" ||
    fail "second: $(grep Reason "$work/second.err")"

if [ -n "$stunnel" ]; then
    # Signed by no one the system trusts: refused, with the fingerprint to pin; pinned, it opens.
    run untrusted send --port "rfc2217+tls://127.0.0.1:$tls_port" '1*10001050'
    expect_status untrusted 4
    grep -q "certificate is not trusted.*SHA-256 fingerprint $fingerprint" "$work/untrusted.err" ||
        fail "untrusted: no fingerprint in $(grep Reason "$work/untrusted.err")"
    run pinned send --port "rfc2217+tls://127.0.0.1:$tls_port" --tls-fingerprint "$fingerprint" '1*10001050'
    expect_status pinned 0
    # The TLS front up, its serial server down: named by the address, no cable's causes.
    kill "$ser2net_pid" 2>/dev/null && wait "$ser2net_pid" 2>/dev/null
    ser2net_pid=
    run front send --port "rfc2217+tls://127.0.0.1:$tls_port" --tls-fingerprint "$fingerprint" '1*10001050'
    expect_status front 4
    grep -q "^rfc2217+tls://127.0.0.1:$tls_port could not be opened" "$work/front.err" &&
        grep -q 'serial server behind the TLS front may be down' "$work/front.err" &&
        ! grep -q USB "$work/front.err" || fail "front: $(head -c 900 "$work/front.err")"
fi

# A complete upload and a download, locally and through each kind of address: the same lines
# reach the controller and the same database comes back.
start_sim --delay 0 --dat "$sample"
start_servers
cp "$sample" "$work/up.dat"
# Each row: a name, the address, the trust (ser2net's own TLS by its certificate and its pin).
rows=("local $device" "tcp tcp://127.0.0.1:$raw_port" "rfc2217 rfc2217://127.0.0.1:$rfc_port")
[ -n "$stunnel" ] && rows+=("stunnel rfc2217+tls://localhost:$tls_port --tls-ca $work/site.pem"
    "ser2net rfc2217+tls://127.0.0.1:$ssl_port --tls-ca $work/site.pem"
    "pinned rfc2217+tls://127.0.0.1:$ssl_port --tls-fingerprint $fingerprint")
for row in "${rows[@]}"; do
    read -r name address trust <<<"$row"
    : >"$work/sim.log"
    run "up-$name" upload "$work/up.dat" --port "$address" $trust --yes
    expect_status "up-$name" 0
    received >"$work/up-$name.wire"
    [ "$(wc -l <"$work/up-$name.wire")" -gt 500 ] || fail "up-$name: $(wc -l <"$work/up-$name.wire") lines sent"
    cmp -s "$work/up-local.wire" "$work/up-$name.wire" ||
        fail "up-$name: the wire differs from the local run: $(diff "$work/up-local.wire" "$work/up-$name.wire" | head -4)"
    run "down-$name" download --port "$address" $trust --write "$work/down-$name.dat"
    expect_status "down-$name" 0
    cmp -s "$work/down-local.dat" "$work/down-$name.dat" ||
        fail "down-$name: another database than the local download"
done

# The controller's side of the server goes away mid-upload and mid-download: a failure that
# says the connection was lost, and no database written.
for what in upload download; do
    start_sim --delay 0 --dat "$sample" --hang-up-after 60
    start_servers
    if [ "$what" = upload ]; then
        run drop-upload upload "$work/up.dat" --port "rfc2217://127.0.0.1:$rfc_port" --yes
        expect_status drop-upload 4
        grep -q 'Update Error' "$work/drop-upload.err" || fail "drop-upload: no update error"
    else
        run drop-download download --port "tcp://127.0.0.1:$raw_port" --write "$work/drop.dat"
        expect_status drop-download 4
        [ -e "$work/drop.dat" ] && fail "drop-download: a database was written"
    fi
    grep -q 'Reason: the connection to 127.0.0.1:[0-9]* was lost' "$work/drop-$what.err" ||
        fail "drop-$what: $(grep -A4 'Serial Port Error' "$work/drop-$what.err" | head -c 500)"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "network_port: all checks passed"
