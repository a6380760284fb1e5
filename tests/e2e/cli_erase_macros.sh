#!/usr/bin/env bash
# kelp-cli erase-macros against the controller simulator: every erase line on the wire in
# order, the database file erased only after the last "+", and left byte for byte as it was
# after a refused line or without --yes.
# Usage: cli_erase_macros.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: cli_erase_macros.sh <path-to-kelp-cli> <e2e-dir>}
source "$(dirname "$0")/lib/simulator.bash"
sample="$(dirname "$0")/../../examples/sample.dat"

if ! have_serial_port; then
    echo "cli_erase_macros: skipped (kelp-cli built without the serial port adapter)"
    exit 0
fi

# A database whose macros, port set and receive macro the erase changes.
fresh() {
    sed -e 's/^Macro(1)=.*/Macro(1)=001 002/' -e 's/^ShortMacro(50)=.*/ShortMacro(50)=003/' \
        -e 's/^PortToAllow(1)=.*/PortToAllow(1)=1/' -e 's/^RcvMacroActive(2)=.*/RcvMacroActive(2)=07/' \
        "$sample" >"$work/$1.dat"
    cp "$work/$1.dat" "$work/$1.orig"
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
# The command lines the simulator received, without the lone CR that primes the link.
received() { sed -n 's/.*RX \(.*\)<CR> -> .*/\1/p' "$work/sim.log" | grep -v '^$'; }
value_of() { grep "^$2=" "$work/$1.dat" | tr -d '\r' | cut -d= -f2-; }

expected_lines='1*400499D
1*400699#
1*2113190
1*2113090
2*2113190
2*2113090
3*2113190
3*2113090'

# Erased: every line in order, then the file.
fresh ok
start_sim
run ok erase-macros "$work/ok.dat" --port "$device" --yes
expect_status ok 0
[ "$(received)" = "$expected_lines" ] || fail "ok: the controller received '$(received)'"
[ "$(value_of ok 'Macro(1)')" = "NONE STORED" ] || fail "ok: Macro(1) is '$(value_of ok 'Macro(1)')'"
[ "$(value_of ok 'ShortMacro(50)')" = "NONE STORED" ] || fail "ok: ShortMacro(50) not erased"
[ "$(value_of ok 'PortToAllow(1)')" = "123" ] || fail "ok: PortToAllow(1) is '$(value_of ok 'PortToAllow(1)')'"
[ "$(value_of ok 'RcvMacroActive(2)')" = "90" ] || fail "ok: RcvMacroActive(2) not 90"
[ "$(value_of ok 'MacroCode(1)')" = "73511" ] || fail "ok: a macro code changed"

# Refused: the sequence stops at the refused line and the file stays as it was.
fresh nack
start_sim --nack '2\*2113090'
run nack erase-macros "$work/nack.dat" --port "$device" --yes
expect_status nack 5
[ "$(received | tail -n 1)" = "2*2113090" ] || fail "nack: the sequence went on after the refusal"
[ "$(received | wc -l)" -eq 6 ] || fail "nack: $(received | wc -l) lines sent, expected 6"
grep -q 'QZ740 Communications Error' "$work/nack.err" || fail "nack: no refusal box"
cmp -s "$work/nack.dat" "$work/nack.orig" || fail "nack: the database file was changed"

# Not confirmed: nothing sent, nothing changed.
fresh ask
start_sim
run ask erase-macros "$work/ask.dat" --port "$device"
expect_status ask 3
[ -z "$(received)" ] || fail "ask: lines were sent without --yes"
cmp -s "$work/ask.dat" "$work/ask.orig" || fail "ask: the database file was changed"

# No such port: the serial port box, exit 4, file unchanged.
fresh noport
run noport erase-macros "$work/noport.dat" --port "$work/no-such-device" --yes
expect_status noport 4
grep -q 'MACRO ERASE FAILURE' "$work/noport.err" || fail "noport: no failure box"
cmp -s "$work/noport.dat" "$work/noport.orig" || fail "noport: the database file was changed"

exit $((failures > 0))
