#!/usr/bin/env bash
# kelp-cli codes against the controller simulator: the code lines on the wire in their order
# (unlock codes, lock, terminator), the [Unlock] keys of the database file afterwards, a
# refusal that keeps the codes already taken, and checks that refuse a code before anything
# is sent or written.
# Usage: cli_codes.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: cli_codes.sh <path-to-kelp-cli> <e2e-dir>}
source "$(dirname "$0")/lib/simulator.bash"
sample="$(dirname "$0")/../../examples/sample.dat"

fresh() {
    cp "$sample" "$work/$1.dat"
    cp "$sample" "$work/$1.orig"
}
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
value_of() { grep "^$2=" "$work/$1.dat" | tr -d '\r' | cut -d= -f2-; }
expect_value() {
    [ "$(value_of "$1" "$2")" = "$3" ] || fail "$1: $2 is '$(value_of "$1" "$2")', expected '$3'"
}

# Checks that refuse before anything happens, each with the window's own text.
fresh bad
while IFS='|' read -r name text args; do
    # shellcheck disable=SC2086
    run "bad_$name" codes "$work/bad.dat" $args --later
    expect_status "bad_$name" 2
    grep -qF "$text" "$work/bad_$name.err" || fail "bad_$name: no '$text' ($(head -c 300 "$work/bad_$name.err"))"
done <<'CASES'
nine|Unlock invalid.  Must be between 1 and 8 DTMF characters|--unlock 2=123456789
conflict|Port 2 Unlock Code cannot contain the Terminator Digit'#'|--terminator # --unlock 2=12#4
lock|Lock Code cannot contain the Terminator Digit|--lock 1D
CASES
cmp -s "$work/bad.dat" "$work/bad.orig" || fail "bad: the database file was changed"

# Later and Record write the file only.
fresh later
run later codes "$work/later.dat" --unlock 3=12ab --later
expect_status later 0
expect_value later 'NewPortUnlock(3)' 12AB
expect_value later 'CurrentPortUnlock(3)' 36937
run record codes "$work/later.dat" --lock 99 --record
expect_status record 0
expect_value later Lock 99
expect_value later 'NewPortUnlock(3)' 12AB

if ! have_serial_port; then
    echo "cli_codes: sending skipped (kelp-cli built without the serial port adapter)"
    exit $((failures > 0))
fi

# Sent: the pending port 3 code from the file, the new lock, then the terminator.
start_sim
run send codes "$work/later.dat" --lock 4444 --terminator '*' --send --port "$device"
expect_status send 0
[ "$(received)" = "3*900012AB
1*90104444
1*9020*" ] || fail "send: the controller received '$(received)'"
expect_value later 'CurrentPortUnlock(3)' 12AB
expect_value later 'NewPortUnlock(3)' ''
expect_value later Lock 4444
expect_value later NewLock ''
expect_value later Terminator '*'
expect_value later NewTerminator ''

# Refused lock: the unlock code before it is recorded, the lock and terminator stay new in
# FILE.dat, as the command says.
fresh nack
start_sim --nack '1\*90105555'
run nack codes "$work/nack.dat" --unlock 1=1111 --lock 5555 --terminator A --send --port "$device"
expect_status nack 5
[ "$(received)" = "1*90001111
1*90105555" ] || fail "nack: the controller received '$(received)'"
expect_value nack 'CurrentPortUnlock(1)' 1111
expect_value nack Lock '#'
expect_value nack NewLock 5555
expect_value nack Terminator D
expect_value nack NewTerminator A
grep -q 'the others are kept there as new' "$work/nack.err" || fail "nack: no word of the new codes"
grep -q 'QZ740 Communications Error' "$work/nack.err" || fail "nack: no refusal box"

exit $((failures > 0))
