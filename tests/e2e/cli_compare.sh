#!/usr/bin/env bash
# kelp-cli compare against the controller simulator serving the images of a database: the
# controller holding exactly the file's images shows no difference; two settings changed in
# the controller's database are listed, and only those, with the file's value first; a
# failed download is an error, and the file is never touched. Then the backup before a
# complete upload (kelp-cli upload --backup).
# Usage: cli_compare.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: cli_compare.sh <path-to-kelp-cli> <e2e-dir>}
source "$(dirname "$0")/lib/simulator.bash"
sample="$(dirname "$0")/../../examples/sample.dat"

if ! have_serial_port; then
    echo "cli_compare: skipped (kelp-cli built without the serial port adapter)"
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

cp "$sample" "$work/site.dat"
cp "$sample" "$work/site.orig"
# The controller's own database: two settings changed since the file was sent.
sed -e 's/^HangTime1(2)=.*\r$/HangTime1(2)=77\r/' -e 's/^TimeOut(1)=.*\r$/TimeOut(1)=150\r/' \
    "$sample" >"$work/controller.dat"

# The controller holds the file: nothing differs, not even where the texts differ ("07" and
# "7" are one number).
start_sim --delay 0 --version 700 --dat "$work/site.dat"
run same compare "$work/site.dat" --port "$device" --rtc --ap
expect_status same 0
[ -s "$work/same.out" ] && fail "same: differences listed: $(head -c 300 "$work/same.out")"

start_sim --delay 0 --version 700 --dat "$work/controller.dat"
run two compare "$work/site.dat" --port "$device" --rtc --ap --tsv
expect_status two 1
[ "$(cut -f2 "$work/two.out" | sort | tr '\n' ' ')" = "HangTime1(2) TimeOut(1) " ] ||
    fail "two: listed $(cut -f2 "$work/two.out" | tr '\n' ' ')"
grep -q "^Timers	TimeOut(1)	.*	150$" "$work/two.out" || fail "two: TimeOut(1) not shown as -> 150: $(cat "$work/two.out")"
run twoText compare "$work/site.dat" --port "$device" --rtc --ap
grep -q "^\[Timers\]" "$work/twoText.out" || fail "twoText: no [Timers] heading"

# The download fails: an error, not "no difference".
start_sim --delay 0 --version 700 --dat "$work/site.dat" --refuse-download main
run refused compare "$work/site.dat" --port "$device"
expect_status refused 5

cmp -s "$work/site.dat" "$work/site.orig" || fail "the database file was changed"

# The backup before a complete upload: the controller's memory lands in a Backup_ file
# before the first programming line; a backup that fails sends nothing at all.
received() { sed -n 's/.*RX \(.*\)<CR> -> .*/\1/p' "$work/sim.log" | grep -v '^$'; }
start_sim --delay 0 --version 7000 --dat "$work/controller.dat"
run backup upload "$work/site.dat" --port "$device" --yes --backup --ap
expect_status backup 0
backup=$(ls "$KELP_HOME"/Backup_*.dat 2>/dev/null | head -n 1)
[ -n "$backup" ] || fail "backup: no Backup_ file in $KELP_HOME"
[ -n "$backup" ] && { grep -q '^HangTime1(2)=77' "$backup" && grep -q '^TimeOut(1)=150' "$backup"; } ||
    fail "backup: the Backup_ file does not hold the controller's values"
first_command=$(received | grep -n '^[123]\*' | head -n 1 | cut -d: -f1)
last_download=$(received | grep -n 'Send.*Eram' | tail -n 1 | cut -d: -f1)
[ -n "$first_command" ] && [ -n "$last_download" ] && [ "$last_download" -lt "$first_command" ] ||
    fail "backup: programming began before the backup had been downloaded"
rm -f "$KELP_HOME"/Backup_*.dat

start_sim --delay 0 --version 7000 --dat "$work/controller.dat" --refuse-download main
run nobackup upload "$work/site.dat" --port "$device" --yes --backup
expect_status nobackup 5
received | grep -q '^[123]\*' && fail "nobackup: programming lines were sent after the backup failed"
grep -q 'Backup Failed' "$work/nobackup.err" || fail "nobackup: no 'Backup Failed' box"
ls "$KELP_HOME"/Backup_*.dat >/dev/null 2>&1 && fail "nobackup: a Backup_ file was left"
exit $((failures > 0))
