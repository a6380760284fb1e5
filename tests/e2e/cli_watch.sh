#!/usr/bin/env bash
# kelp-cli watch against the controller simulator, as a timer runs it: a controller changed
# behind Kelp's back is drift (listed, kept as a snapshot, told to --notify); the same memory
# again keeps no second snapshot; the file's own memory is no drift but a new snapshot; with a
# sent record the file's unsent edits are listed apart; history and diff read the snapshots;
# a second user of the port is turned away naming the first; the traces hold no code; a
# watch saved for the systemd units runs from its file.
# Usage: cli_watch.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: cli_watch.sh <path-to-kelp-cli> <e2e-dir>}
source "$(dirname "$0")/lib/simulator.bash"
sample="$(dirname "$0")/../../examples/sample.dat"

if ! have_serial_port; then
    echo "cli_watch: skipped (kelp-cli built without the serial port adapter)"
    exit 0
fi

run() {
    local name=$1
    shift
    "$cli" "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.rc"
}
expect_status() {
    [ "$(cat "$work/$1.rc")" -eq "$2" ] ||
        fail "$1: exit $(cat "$work/$1.rc"), expected $2 ($(tail -c 400 "$work/$1.err"))"
}
history=$KELP_HOME/history/site
snapshots() { ls "$history" 2>/dev/null | grep -c '^[0-9]\{8\}_[0-9]\{6\}.*\.dat$'; }
expect_snapshots() {
    [ "$(snapshots)" -eq "$2" ] || fail "$1: $(snapshots) snapshots, expected $2"
}
expect_one_line() {
    [ "$(wc -l <"$work/$1.err")" -eq 1 ] || fail "$1: stderr is not one line: $(cat "$work/$1.err")"
}

cp "$sample" "$work/site.dat"
sed -e 's/^HangTime1(2)=.*\r$/HangTime1(2)=77\r/' "$sample" >"$work/changed.dat"

# The controller holds one setting the file does not: drift, listed, kept.
start_sim --delay 0 --version 700 --dat "$work/changed.dat"
run drift watch "$work/site.dat" --port "$device" --rtc --ap
expect_status drift 1
grep -q "(HangTime1(2)): '.*' -> '77'" "$work/drift.out" || fail "drift: HangTime1(2) not listed: $(cat "$work/drift.out")"
[ "$(grep -c -- "' -> '" "$work/drift.out")" -eq 1 ] || fail "drift: more than one setting listed"
expect_one_line drift
grep -q 'the controller differs from the file in 1 setting' "$work/drift.err" || fail "drift: log line: $(cat "$work/drift.err")"
expect_snapshots drift 1
grep -q '^HangTime1(2)=77' "$history"/*.dat || fail "drift: the snapshot does not hold the controller's value"
received() { sed -n 's/.* RX \([^<]*\)<CR>.*/\1/p' "$work/sim.log"; }
unexpected=$(received | grep -v -e '^$' -e '^OK$' -e '^o$' -e '^1Send.*Eram$' -e '^1GetVersion$' -e '^#D$')
[ -z "$unexpected" ] || fail "drift: sent more than the download: $unexpected"

# The same memory again: still drift, told to --notify, no second snapshot; logged to the
# journal (as systemd names it to a service) at warning priority. The drift clearing is told.
touch "$work/again.err"
JOURNAL_STREAM=$(stat -c '%d:%i' "$work/again.err") \
    run again watch "$work/site.dat" --port "$device" --rtc --ap --notify "cat >'$work/notified'"
expect_status again 1
grep -q '^<4>site.dat on ' "$work/again.err" || fail "again: not a warning in the journal: $(cat "$work/again.err")"
expect_snapshots again 1
grep -q "HangTime1(2)" "$work/notified" 2>/dev/null || fail "again: --notify did not receive the list"

# The file's own memory: no drift, but the memory changed since the last snapshot.
sleep 1  # a new second for the new snapshot's name
start_sim --delay 0 --version 700 --dat "$work/site.dat"
run same watch "$work/site.dat" --port "$device" --rtc --ap --notify "cat >'$work/notified-same'"
expect_status same 0
expect_snapshots same 2
grep -q 'the drift told before is gone' "$work/notified-same" || fail "same: --notify not told the drift cleared"
grep -q 'the controller holds the file' "$work/same.err" || fail "same: log line: $(cat "$work/same.err")"

# history lists them newest first; diff compares two snapshots.
run history history "$work/site.dat"
expect_status history 0
sed -n 1p "$work/history.out" | grep -q '1 setting changed' || fail "history: $(cat "$work/history.out")"
sed -n 2p "$work/history.out" | grep -q 'first snapshot' || fail "history: $(cat "$work/history.out")"
newest=$(sed -n 1p "$work/history.out" | awk '{print $NF}')
oldest=$(sed -n 2p "$work/history.out" | awk '{print $NF}')
run snapdiff diff "$oldest" "$newest" --tsv
expect_status snapdiff 1
[ "$(cut -f2 "$work/snapdiff.out")" = "HangTime1(2)" ] || fail "snapdiff: $(cat "$work/snapdiff.out") $(tail -c 300 "$work/snapdiff.err")"

# Sent and then edited: the controller holds what Kelp sent, the edit waits to be sent.
cp "$work/site.dat" "$work/sent.dat"
start_sim --delay 0 --version 7000 --dat "$work/sent.dat"
run upload upload "$work/site.dat" --port "$device" --yes
expect_status upload 0
sed -i -e 's/^TimeOut(1)=.*\r$/TimeOut(1)=150\r/' "$work/site.dat"
run edited watch "$work/site.dat" --port "$device" --rtc --ap
expect_status edited 0
grep -A3 '^Not sent yet' "$work/edited.out" | grep -q "(TimeOut(1)): '.*' -> '150'" ||
    fail "edited: the unsent edit is not listed: $(cat "$work/edited.out")"
grep -q '1 setting of the file not sent yet' "$work/edited.err" || fail "edited: $(cat "$work/edited.err")"

# A second user of the port waits, then is turned away naming the first. The first is
# stopped once it holds the port, so no timing can let it finish first.
"$cli" watch "$work/site.dat" --port "$device" >"$work/first.out" 2>"$work/first.err" &
first=$!
for _ in $(seq 300); do grep -qs "^$first " "$KELP_HOME"/locks/*.lock && break; sleep 0.1; done
kill -STOP "$first"
run second watch "$work/site.dat" --port "$device"
kill -CONT "$first"
wait "$first"
expect_status second 4
grep -q "port in use by kelp-cli watch (pid $first)" "$work/second.err" ||
    fail "second: $(cat "$work/second.err")"
expect_one_line second

# The traces: the downloaded code records and the relock are hidden, and say so.
traces=$(cat "$KELP_HOME"/watch-traces/serial-trace-*.log)
grep -q '74,<code hidden>' <<<"$traces" || fail "trace: the first unlock code record is not hidden"
grep -q 'TX <code hidden><CR>' <<<"$traces" || fail "trace: the relock is not hidden"
grep -q -- '-- the unlock, lock and terminator codes in this trace are written as' <<<"$traces" ||
    fail "trace: no note that codes are hidden"
grep -q -e ' RX 74,49' -e '#D' <<<"$traces" && fail "trace: a code is in clear"
# The watch's traces stay apart from the operator's.
grep -q SendEram "$KELP_HOME"/serial-trace-*.log && fail "trace: a watch wrote into the operator's traces"

# A code send's trace holds no code.
start_sim --delay 0
cp "$work/site.dat" "$work/codes.dat"
run codes codes "$work/codes.dat" --unlock 1=24680 --lock 9753 --send --port "$device"
expect_status codes 0
trace=$(ls -t "$KELP_HOME"/serial-trace-*.log | head -n 1)
grep -q -e 24680 -e 9753 "$trace" && fail "codes: a code is in clear in $trace"
[ "$(grep -c 'TX 1\*90[01]0<code hidden>' "$trace")" -eq 2 ] || fail "codes: $(cat "$trace")"

# Saved for the systemd units, then run from its file as the service runs it.
export XDG_CONFIG_HOME=$work/config
start_sim --delay 0 --version 7000 --dat "$work/sent.dat"
run save watch "$work/site.dat" --port "$device" --rtc --history "$work/hist" \
    --notify "mail -s 'QZ740 = drift' trustee@example.org" --save-unit site
expect_status save 0
grep -qx "notify=mail -s 'QZ740 = drift' trustee@example.org" "$work/config/kelp/watch/site.conf" ||
    fail "save: $(cat "$work/config/kelp/watch/site.conf")"
run unit watch --unit site
expect_status unit 0
[ "$(ls "$work/hist"/*.dat | wc -l)" -eq 1 ] || fail "unit: no snapshot in the saved --history folder"
exit $((failures > 0))
