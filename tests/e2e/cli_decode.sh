#!/usr/bin/env bash
# kelp-cli decode: memory image files (CR LF and LF-only line ends) into a database file that
# loads without a single repair.
# Usage: cli_decode.sh <path-to-kelp-cli> <e2e-dir>
set -u

cli=${1:?usage: cli_decode.sh <path-to-kelp-cli> <e2e-dir>}
data=${KELP_TEST_DATA:-$(dirname "$0")/../data}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KELP_HOME="$work/home"
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# run <name> <args...>: stdout to $work/<name>.out, stderr to .err, status to $work/<name>.rc
run() {
    local name=$1
    shift
    "$cli" "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.rc"
}

status_of() { cat "$work/$1.rc"; }

# expect_key <file> <key> <value>: the .dat holds exactly that line
expect_key() {
    grep -qxF "$2=$3" <(tr -d '\r' <"$1") || fail "$1: expected $2=$3, got '$(tr -d '\r' <"$1" | grep "^$2=")'"
}

# A full download with both option boards; the RTC image has LF-only line ends.
run full decode "$data/sample_main.mem" --rtc "$data/sample_rtc.mem" --ap "$data/sample_ap.mem" \
    --firmware 700 --write "$work/full.dat"
[ "$(status_of full)" = 0 ] || fail "full decode exited $(status_of full): $(cat "$work/full.err")"
expect_key "$work/full.dat" HasRTC 1
expect_key "$work/full.dat" FirmwareVersion 700
expect_key "$work/full.dat" "Macro(1)" "005 265"
expect_key "$work/full.dat" "HangTime1(1)" 60
expect_key "$work/full.dat" ClockCorrection A3
expect_key "$work/full.dat" "Hours(2)" 0A
expect_key "$work/full.dat" "DTMF(21)" "4 5 6 "
expect_key "$work/full.dat" "AutoDial(7)" 5551212
# The report holds its header only: nothing needed a repair.
grep -q '\*\*\*\*' "$work/full.out" && fail "full decode needed repairs: $(cat "$work/full.out")"
grep -q '^RESULTS OF dat EDIT/VALIDATION' "$work/full.out" || fail "no report printed"
[ -s "$work/full.err" ] && fail "full decode showed boxes: $(cat "$work/full.err")"

# The same main image with LF-only line ends, no option boards: HasRTC 0, no RTC entries.
tr -d '\r' <"$data/sample_main.mem" >"$work/lf_main.mem"
run lf decode "$work/lf_main.mem" --firmware 700 --write "$work/lf.dat"
[ "$(status_of lf)" = 0 ] || fail "LF decode exited $(status_of lf)"
expect_key "$work/lf.dat" HasRTC 0
expect_key "$work/lf.dat" "Macro(1)" "005 265"
grep -q '^DTMF(21)=' <(tr -d '\r' <"$work/lf.dat") && fail "lf.dat holds RTC-only DTMF(21)"

# A main image one record short fails in the last step.
head -n 4084 "$data/sample_main.mem" >"$work/short.mem"
run short decode "$work/short.mem" --write "$work/short.dat"
[ "$(status_of short)" = 2 ] || fail "short image exited $(status_of short)"
grep -q 'TOT Reset Timer (4083, 4084, 4085)' "$work/short.err" || fail "short image: no step label"
grep -q 'ERAM Decode Error' "$work/short.err" || fail "short image: no ERAM Decode Error"
ls "$work"/short.dat* >/dev/null 2>&1 && fail "short image: left a database file behind"

# Usage errors.
run nowrite decode "$data/sample_main.mem"
[ "$(status_of nowrite)" = 2 ] || fail "missing --write exited $(status_of nowrite)"
run missing decode "$work/none.mem" --write "$work/x.dat"
[ "$(status_of missing)" = 2 ] || fail "missing image exited $(status_of missing)"

[ "$failures" -eq 0 ] && echo "cli_decode: all checks passed"
exit "$failures"
