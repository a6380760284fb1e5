#!/usr/bin/env bash
# kelp-cli set-clock against the controller simulator: the date line and the time line on the
# wire, each holding the computer's local date and time of the moment it went out; no "Done"
# after a refused or unanswered line; the port box when the port cannot be opened.
# Usage: cli_set_clock.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: cli_set_clock.sh <path-to-kelp-cli> <e2e-dir>}
source "$(dirname "$0")/lib/simulator.bash"

if ! have_serial_port; then
    echo "cli_set_clock: skipped (kelp-cli built without the serial port adapter)"
    exit 0
fi

# One time zone for the program and for the expected texts.
export TZ=UTC

run() {
    local name=$1
    shift
    "$cli" "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.rc"
}
expect_status() {
    [ "$(cat "$work/$1.rc")" -eq "$2" ] ||
        fail "$1: exit $(cat "$work/$1.rc"), expected $2 ($(head -c 400 "$work/$1.err"))"
}
received() { sed -n 's/.*RX \(.*\)<CR> -> .*/\1/p' "$work/sim.log" | grep -v '^$'; }
# The lines "1*5101mmddyy" and "1*5100hhnnss" that any second from $1 to $2 would give.
possible() {
    local s
    for ((s = $1; s <= $2; s++)); do date -u -d "@$s" '+1*5101%m%d%y'; done
    for ((s = $1; s <= $2; s++)); do date -u -d "@$s" '+1*5100%H%M%S'; done
}

# Set: the date line, then the time line.
start_sim
before=$(date +%s)
run ok set-clock --port "$device"
after=$(date +%s)
expect_status ok 0
mapfile -t lines < <(received)
[ "${#lines[@]}" -eq 2 ] || fail "ok: the controller received '${lines[*]}'"
[[ ${lines[0]} == '1*5101'* ]] && [[ ${lines[1]:-} == '1*5100'* ]] ||
    fail "ok: expected the date line then the time line, got '${lines[*]}'"
for line in "${lines[@]}"; do
    possible "$before" "$after" | grep -qxF -- "$line" ||
        fail "ok: '$line' is not this computer's date or time between $before and $after"
done
grep -q 'Done' "$work/ok.err" || fail "ok: no \"Done\" box"
grep -q 'successfully set' "$work/ok.out" || fail "ok: nothing said on standard output"

# Refused date line: no time line, no "Done".
start_sim --nack '1\*5101.*'
run nack set-clock --port "$device"
expect_status nack 5
[ "$(received | wc -l)" -eq 1 ] || fail "nack: $(received | wc -l) lines sent, expected 1"
grep -q 'QZ740 Communications Error' "$work/nack.err" || fail "nack: no refusal box"
! grep -q 'Done' "$work/nack.err" || fail "nack: \"Done\" shown after a refusal"

# Unanswered time line: the time-out box, no "Done".
start_sim --silent '1\*5100.*'
run silent set-clock --port "$device"
expect_status silent 5
[ "$(received | wc -l)" -eq 2 ] || fail "silent: $(received | wc -l) lines sent, expected 2"
! grep -q 'Done' "$work/silent.err" || fail "silent: \"Done\" shown after no answer"

# No such port.
run noport set-clock --port "$work/no-such-device"
expect_status noport 4
grep -q 'Serial Port Error' "$work/noport.err" || fail "noport: no port box"

# A command line that is not understood.
run usage set-clock
expect_status usage 2

exit $((failures > 0))
