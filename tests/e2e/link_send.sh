#!/usr/bin/env bash
# kelp-cli send through the real serial port code into the controller simulator on a
# pseudo-terminal: acknowledged, refused, unanswered and unopenable, as an operator sees them.
# Usage: link_send.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: link_send.sh <path-to-kelp-cli> <e2e-dir>}
source "$(dirname "$0")/lib/simulator.bash"

# run <name> <args...>: stdout, stderr and status into $work/<name>.{out,err,rc}
run() {
    local name=$1
    shift
    "$cli" "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.rc"
}
status_of() { cat "$work/$1.rc"; }
expect_status() {
    [ "$(status_of "$1")" -eq "$2" ] || fail "$1: exit $(status_of "$1"), expected $2 ($(head -c 300 "$work/$1.err"))"
}

# A build without Qt's serial port has nothing to test here.
if ! have_serial_port; then
    echo "link_send: skipped (kelp-cli built without the serial port adapter)"
    exit 0
fi

start_sim --nack '1\*9000.*' --silent '1\*2[0-9]*'

# Acknowledged: every line reported, exit 0.
run ack send --port "$device" '1*10001180' '1*10002180' '1*100031'
expect_status ack 0
[ "$(cat "$work/ack.out")" = $'+ 1*10001180\n+ 1*10002180\n+ 1*100031' ] ||
    fail "ack: stdout was '$(cat "$work/ack.out")'"
[ -s "$work/ack.err" ] && fail "ack: unexpected messages: $(cat "$work/ack.err")"
grep -q 'RX 1\*100031<CR> -> +' "$work/sim.log" || fail "ack: the simulator did not log the third line"
grep -q 'RX <CR>$' "$work/sim.log" || fail "ack: the session was not primed with a lone CR"

# Refused: the NACK box word for word on stderr, exit 5, the next line never sent.
run nack send --port "$device" '1*10001180' '1*9000123' '1*10004180'
expect_status nack 5
grep -qx '+ 1\*10001180' "$work/nack.out" || fail "nack: the first line was not acknowledged"
grep -q 'QZ740 Communications Error' "$work/nack.err" || fail "nack: no box title"
grep -q 'Kelp receive a NACK from the QZ740 after sending it a command string' "$work/nack.err" ||
    fail "nack: the NACK sentence is missing"
grep -q 'Location = Declarations: CheckInput: Check for NACK' "$work/nack.err" ||
    fail "nack: location line missing"
grep -q '1\*10004180' "$work/sim.log" && fail "nack: a line after the refused one was sent"

# Silence: given up after about nine seconds with the time-out box, exit 5.
start=$(date +%s)
run silent send --port "$device" '1*21000'
took=$(($(date +%s) - start))
expect_status silent 5
grep -q 'Kelp did not receive a valid response from the QZ740' "$work/silent.err" ||
    fail "silent: no time-out message"
grep -q 'Check ErrorCounter' "$work/silent.err" || fail "silent: time-out location missing"
{ [ "$took" -ge 8 ] && [ "$took" -le 13 ]; } || fail "silent: gave up after ${took}s, expected about 9"

# A port that is not there: the serial port box, exit 4.
run missing send --port "$work/no-such-port" '1*10001180'
expect_status missing 4
grep -q 'Serial Port Error' "$work/missing.err" || fail "missing: no box title"
grep -q '^COM1 could not be opened' "$work/missing.err" || fail "missing: first line missing"
grep -q "Device: $work/no-such-port" "$work/missing.err" || fail "missing: device not named"

# Command lines that are not understood.
run no_port send '1*10001180'
expect_status no_port 2
run no_line send --port "$device"
expect_status no_line 2

# Honest timing: bytes paced at 9600 baud both ways, still acknowledged.
start_sim --pace --delay 20
run paced send --port "$device" '1*10001180' '1*1000211' '1*2000'
expect_status paced 0
[ "$(wc -l <"$work/paced.out")" -eq 3 ] || fail "paced: not every line was acknowledged"

# Lines typed by hand that are no setting command may be codes: the trace hides them whole.
run typed send --port "$device" '5821397C' '4861C'
expect_status typed 0
typed_trace=$(ls -t "$KELP_HOME"/serial-trace-*.log | head -n 1)
[ "$(grep -c 'TX <code hidden><CR>' "$typed_trace")" -eq 2 ] || fail "typed: $(cat "$typed_trace")"
grep -qh -e 5821397 -e 4861 "$KELP_HOME"/serial-trace-*.log && fail "typed: a code is in a trace"

# Every exchange of each run is in a trace file of its own in the application folder.
traces=$(ls "$KELP_HOME"/serial-trace-*.log 2>/dev/null | wc -l)
[ "$traces" -ge 5 ] || fail "expected a trace per run, found $traces"
# The refused line is a new unlock code: traced, its code hidden.
grep -qh 'TX 1\*9000<code hidden><CR>' "$KELP_HOME"/serial-trace-*.log || fail "the refused line is not traced"
grep -qh '9000123' "$KELP_HOME"/serial-trace-*.log && fail "the refused line's code is in the trace"
grep -qh 'RX -<CR><LF>' "$KELP_HOME"/serial-trace-*.log || fail "the refusal is not traced"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "link_send: all checks passed"
