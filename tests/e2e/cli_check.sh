#!/usr/bin/env bash
# kelp-cli check: loading database files as the program would, answering its questions from
# options, never changing the file checked.
# Usage: cli_check.sh <path-to-kelp-cli> <e2e-dir>   (KELP_TEST_DATA: the tests/data folder)
set -u

cli=${1:?usage: cli_check.sh <path-to-kelp-cli> <e2e-dir>}
data=${KELP_TEST_DATA:-$(dirname "$0")/../data}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
crlf=$'\r'

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# run <name> <args...>: stdout to $work/<name>.out, stderr to .err, status to .rc
run() {
    local name=$1
    shift
    "$cli" "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.rc"
}

expect_status() {
    local got
    got=$(cat "$work/$1.rc")
    [ "$got" -eq "$2" ] || fail "$1: exit status $got, expected $2 ($(head -c 300 "$work/$1.err"))"
}

# expect_in <file> <fixed text>
expect_in() {
    grep -qF -- "$2" "$1" || fail "$1 does not contain '$2'"
}

# Copies of the fixtures, with checksums to prove the checked files stay as they were.
cp "$data/full_rtc.dat" "$data/old_firmware.dat" "$data/no_firmware.dat" \
    "$data/rtc_unknown.dat" "$work/"
# A damaged file: one bad value and a key of another program.
sed -e "s/^DTMFDelay=80${crlf}\$/DTMFDelay=300${crlf}/" "$data/full_rtc.dat" >"$work/damaged.dat"
printf '[Foreign]\r\nColour=green\r\n' >>"$work/damaged.dat"
grep -q "^DTMFDelay=300" "$work/damaged.dat" || fail "could not make the damaged file"
(cd "$work" && md5sum ./*.dat >"$work/sums")

# A clean file: the log holds only its header, no box is shown.
run full check "$work/full_rtc.dat"
expect_status full 0
[ "$(head -n 1 "$work/full.out")" = "RESULTS OF dat EDIT/VALIDATION$crlf" ] ||
    fail "full: the log does not start with its header (CR LF kept)"
[ "$(wc -l <"$work/full.out")" -eq 3 ] || fail "full: the log has entries"
[ -s "$work/full.err" ] && fail "full: boxes were shown: $(cat "$work/full.err")"

# A repaired value: its entry on stdout, the closing question on stderr.
run damaged check "$work/damaged.dat"
expect_status damaged 0
expect_in "$work/damaged.out" "DTMF: DTMF Parameters: Delay not valid -- DAT item: DTMFDelay$crlf"
expect_in "$work/damaged.out" "Value has been defaulted to 100$crlf"
expect_in "$work/damaged.err" "[DAT File Errors]"

# --write: the repaired database merged into a copy of the file.
run write check "$work/damaged.dat" --write "$work/out.dat"
expect_status write 0
expect_in "$work/out.dat" "DTMFDelay=100$crlf"
expect_in "$work/out.dat" "Colour=green$crlf"
expect_in "$work/out.dat" "KelpVersion=7.00$crlf"

# Another firmware family: the load stops unless accepted.
run old check "$work/old_firmware.dat"
expect_status old 3
expect_in "$work/old.err" "[VERSION DIFFERENCE]"
expect_in "$work/old.err" "This DAT file is for Firmware version 528"
[ -s "$work/old.out" ] && fail "old: a log was printed for a load that stopped"
run old_accepted check "$work/old_firmware.dat" --accept-firmware
expect_status old_accepted 0
expect_in "$work/old_accepted.out" "Timers: Port 1: Hang Timer 2 not valid"
run old_write check "$work/old_firmware.dat" --write "$work/old_out.dat"
expect_status old_write 3
[ -e "$work/old_out.dat" ] && fail "old_write: wrote a file for a load that stopped"

# No firmware version: answered No without --firmware, typed in with it.
run nofw check "$work/no_firmware.dat"
expect_status nofw 0
expect_in "$work/nofw.err" "This Kelp is for Firmware version: 70xx"
run nofw_typed check "$work/no_firmware.dat" --firmware 7.01 --write "$work/typed.dat"
expect_status nofw_typed 0
expect_in "$work/nofw_typed.err" "[Enter Firmware Version]"
expect_in "$work/typed.dat" "FirmwareVersion=701$crlf"
expect_in "$work/nofw_typed.out" "Value received was '300'"

# An unclear RTC answer must come from the command line.
run rtc_missing check "$work/rtc_unknown.dat"
expect_status rtc_missing 2
expect_in "$work/rtc_missing.err" "--rtc"
run rtc_yes check "$work/rtc_unknown.dat" --rtc yes --write "$work/rtc_out.dat"
expect_status rtc_yes 0
expect_in "$work/rtc_yes.err" "[RTC Installed?]"
grep -q "^HasRTC=1" "$work/rtc_out.dat" || fail "rtc_yes: HasRTC=1 not written"
grep -q "^FreqString(40)=" "$work/rtc_out.dat" || fail "rtc_yes: RTC memories not written"

# Command lines that are not understood, and files that cannot be read.
check_refused() {
    local name=$1
    shift
    run "$name" "$@"
    expect_status "$name" 2
    [ -s "$work/$name.err" ] || fail "$name: no message on stderr"
    return 0
}
check_refused no_file check
check_refused missing_file check "$work/nothing.dat"
check_refused directory check "$work"
check_refused bad_rtc check "$work/full_rtc.dat" --rtc maybe
check_refused unknown_option check "$work/full_rtc.dat" --frobnicate
check_refused two_files check "$work/full_rtc.dat" "$work/damaged.dat"
check_refused write_over_itself check "$work/damaged.dat" --write "$work/damaged.dat"

# Nothing checked was changed.
(cd "$work" && md5sum --quiet -c sums) || fail "a checked file was modified"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "cli_check: all checks passed"
