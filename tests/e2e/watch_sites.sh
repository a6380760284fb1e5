#!/usr/bin/env bash
# Three sites under an hourly watch, as a club runs them: three simulators behind one ser2net,
# reached by raw TCP, RFC 2217, and RFC 2217 inside ser2net's own TLS with a test certificate
# pinned by its fingerprint. Each is saved with --save-unit (the TLS one keeps its trust) and
# the three run from their .conf files at once, each under its own port lock and into its own
# history; status lists them with the drift of the one that drifted. --notify hears of that
# drift once, not every run (unless notify-every-run=yes); the report's upload puts the file back, and once the controller
# holds it again --notify hears that the drift cleared. A .conf key Kelp does not know is
# named with the keys it does know.
# Usage: watch_sites.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: watch_sites.sh <path-to-kelp-cli> <e2e-dir>}
sample=${2:?usage: watch_sites.sh <path-to-kelp-cli> <e2e-dir>}/../../examples/sample.dat
source "$(dirname "$0")/lib/simulator.bash"

ser2net=$(command -v ser2net || echo /usr/sbin/ser2net)
if [ ! -x "$ser2net" ] || ! command -v openssl >/dev/null || ! have_serial_port; then
    echo "watch_sites: skipped (needs ser2net, openssl and kelp-cli's serial port adapter)"
    exit 0
fi

declare -A sims=()
ser2net_pid=
cleanup_sites() {
    local pid
    for pid in "${sims[@]}" $ser2net_pid; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    cleanup_simulator_run
}
trap cleanup_sites EXIT
export XDG_CONFIG_HOME=$work/config

# start_site SITE DAT: the controller of SITE holding DAT, at the stable path $work/ctl-SITE.
start_site() {
    [ -n "${sims[$1]:-}" ] && kill "${sims[$1]}" 2>/dev/null && wait "${sims[$1]}" 2>/dev/null
    rm -f "$work/ctl-$1"
    "$sim" --delay 0 --dat "$2" --link "$work/ctl-$1" --log "$work/sim-$1.log" >/dev/null 2>&1 &
    sims[$1]=$!
    for _ in $(seq 300); do [ -e "$work/ctl-$1" ] && return 0; sleep 0.1; done
    fail "the simulator of site $1 did not start"
}
free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
    -keyout "$work/site.key" -out "$work/site.pem" >/dev/null 2>&1 || fail "no test certificate"
fingerprint=$(openssl x509 -in "$work/site.pem" -noout -fingerprint -sha256 | sed 's/.*=//')
sed -e 's/^HangTime1(2)=.*\r$/HangTime1(2)=77\r/' "$sample" >"$work/changed.dat"
declare -A port=([a]=$(free_port) [b]=$(free_port) [c]=$(free_port))
declare -A accepter=([a]="tcp" [b]="telnet(rfc2217),tcp"
    [c]="telnet(rfc2217),ssl(key=$work/site.key,cert=$work/site.pem),tcp")
declare -A address=([a]="tcp://127.0.0.1:${port[a]}" [b]="rfc2217://127.0.0.1:${port[b]}"
    [c]="rfc2217+tls://127.0.0.1:${port[c]}")
for site in a b c; do
    cp "$sample" "$work/site-$site.dat"
    printf 'connection: &%s\n  accepter: %s,127.0.0.1,%s\n  connector: serialdev,%s,9600n81,local\n  options:\n    chardelay: false\n' \
        "$site" "${accepter[$site]}" "${port[$site]}" "$work/ctl-$site" >>"$work/ser2net.yaml"
done
start_site a "$sample"
start_site b "$work/changed.dat"
start_site c "$sample"
"$ser2net" -n -d -c "$work/ser2net.yaml" -P "$work/ser2net.pid" >"$work/ser2net.log" 2>&1 &
ser2net_pid=$!
for site in a b c; do
    for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/${port[$site]}") 2>/dev/null && break; sleep 0.1; done
done

"$cli" watch "$work/site-a.dat" --port "${address[a]}" --metrics "$work/a.prom" \
    --save-unit a >/dev/null || fail "save a"
"$cli" watch "$work/site-b.dat" --port "${address[b]}" --notify "cat >>'$work/notified'" \
    --metrics "$work/b.prom" --save-unit b >/dev/null || fail "save b"
"$cli" watch "$work/site-c.dat" --port "${address[c]}" --tls-fingerprint "$fingerprint" \
    --metrics "$work/c.prom" --save-unit c >/dev/null || fail "save c"
grep -qx "tls-fingerprint=$fingerprint" "$work/config/kelp/watch/c.conf" ||
    fail "c.conf does not keep the trust: $(cat "$work/config/kelp/watch/c.conf")"

# units NAME...: runs the watches at once, as their timers do; rc-NAME holds each exit.
units() {
    local site
    declare -A pids=()
    for site in "$@"; do
        timeout 120 "$cli" watch --unit "$site" >"$work/unit-$site.out" 2>"$work/unit-$site.err" &
        pids[$site]=$!
    done
    for site in "$@"; do wait "${pids[$site]}"; echo $? >"$work/rc-$site"; done
}
expect() {
    [ "$(cat "$work/rc-$1")" -eq "$2" ] || fail "unit $1: exit $(cat "$work/rc-$1"), expected $2: $(cat "$work/unit-$1.err")"
}
units a b c
expect a 0
expect b 1
expect c 0
[ "$(ls "$KELP_HOME"/locks | grep -c -- '-127.0.0.1-')" -eq 3 ] || fail "not one port lock each: $(ls "$KELP_HOME"/locks)"
for site in a b c; do
    [ "$(ls "$KELP_HOME/history/site-$site"/*.dat 2>/dev/null | wc -l)" -eq 1 ] || fail "site $site: not one snapshot"
done
grep -q "^HangTime1(2)=77" "$KELP_HOME"/history/site-b/*.dat || fail "site b: the snapshot is not its controller's"
for site in a b c; do
    outcome=$([ "$site" = b ] && echo 1 || echo 0)
    grep -qx "kelp_watch_outcome{controller=\"$site\",port=\"${address[$site]}\"} $outcome" "$work/$site.prom" ||
        fail "site $site: its metrics do not say outcome $outcome: $(cat "$work/$site.prom")"
done

"$cli" status >"$work/status.out" 2>"$work/status.err"
[ $? -eq 1 ] || fail "status: not exit 1 with one drift: $(cat "$work/status.out" "$work/status.err")"
[ "$(wc -l <"$work/status.out")" -eq 3 ] || fail "status: not one line a site: $(cat "$work/status.out")"
grep -q " b  *drift: 1 setting changed  *${address[b]}$" "$work/status.out" || fail "status: $(cat "$work/status.out")"
grep -q " c  *no drift  *${address[c]}$" "$work/status.out" || fail "status: $(cat "$work/status.out")"
cut -c1-19 "$work/status.out" | sort -rc || fail "status: not newest first"

# The same drift an hour later: no second message.
units b
expect b 1
[ "$(grep -c '^kelp-cli watch: ' "$work/notified")" -eq 1 ] || fail "notify: not told once: $(cat "$work/notified")"
echo "notify-every-run=yes" >>"$work/config/kelp/watch/b.conf"
units b
[ "$(grep -c '^kelp-cli watch: ' "$work/notified")" -eq 2 ] || fail "notify-every-run=yes: not told again"

# The next step the report names puts the file's value back on the wire.
upload=$(grep -A1 '^- put site-b.dat back' "$work/unit-b.out" | sed -n 's/^  kelp-cli //p')
: >"$work/sim-b.log"
eval "\"\$cli\" $upload --yes" >"$work/upload.out" 2>&1 || fail "the report's upload failed: $upload: $(tail -3 "$work/upload.out")"
grep -q 'RX 2\*1000140<CR>' "$work/sim-b.log" || fail "the report's upload did not send HangTime1(2): $upload"
grep -q -- "--write $work/site-b.dat" "$work/unit-b.out" || fail "no download step: $(cat "$work/unit-b.out")"

# The controller holds the file again (the simulator keeps no upload, so it starts anew).
start_site b "$sample"
units b
expect b 0
[ "$(grep -c 'the drift told before is gone' "$work/notified")" -eq 1 ] || fail "notify: the clearing not told"
"$cli" status >/dev/null 2>&1 || fail "status: not exit 0 once every site is clean"

echo "colour=blue" >>"$work/config/kelp/watch/a.conf"
units a
expect a 2
grep -q "unknown key 'colour' (keys: file, port, .*tls-fingerprint" "$work/unit-a.err" || fail "unknown key: $(cat "$work/unit-a.err")"

exit $((failures > 0))
