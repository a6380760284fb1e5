#!/usr/bin/env bash
# What Kelp creates is its user's alone: under the usual umask 022, the application folder
# and its folders are 0700 and every file that can hold a code is 0600 (records, backups,
# snapshots, images, databases, logs, traces, reports, locks), while a file that was there
# before keeps its own mode. One table, one stat per file.
# Usage: file_modes.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: file_modes.sh <path-to-kelp-cli> <e2e-dir>}
source "$(dirname "$0")/lib/simulator.bash"
sample="$(dirname "$0")/../../examples/sample.dat"

if ! have_serial_port; then
    echo "file_modes: skipped (kelp-cli built without the serial port adapter)"
    exit 0
fi

umask 022
# An application folder Kelp has to make itself, parents and all.
export KELP_HOME=$work/fresh/Kelp
run() {
    "$cli" "$@" >"$work/run.out" 2>"$work/run.err" || [ "$?" -eq 1 ] ||
        fail "kelp-cli $*: $(tail -c 300 "$work/run.err")"
}

cp "$sample" "$work/site.dat"
cp "$sample" "$work/existing.dat"
chmod 644 "$work/existing.dat"
start_sim --delay 0 --version 7000 --dat "$work/site.dat"
run download --port "$device" --write "$work/out.dat" --rtc
run check "$work/site.dat" --write "$work/new.dat"
run check "$work/site.dat" --write "$work/existing.dat"
run upload "$work/site.dat" --port "$device" --yes --backup
run watch "$work/site.dat" --port "$device" --rtc
run report "$work/site.dat" --html "$work/report.html" --include-codes

while read -r pattern mode; do
    found=0
    for path in $pattern; do
        [ -e "$path" ] || continue
        found=1
        [ "$(stat -c %a "$path")" = "$mode" ] ||
            fail "${path#"$work"/} is $(stat -c %a "$path"), expected $mode"
    done
    [ "$found" -eq 1 ] || fail "nothing made as $pattern"
done <<TABLE
$work/fresh/Kelp 700
$work/fresh 700
$KELP_HOME/sent 700
$KELP_HOME/sent/*.dat 600
$KELP_HOME/error.log 600
$KELP_HOME/download.mem 600
$KELP_HOME/rtcdownload.mem 600
$KELP_HOME/Backup_*.dat 600
$KELP_HOME/serial-trace-*.log 600
$KELP_HOME/locks/*.lock 600
$KELP_HOME/history/site 700
$KELP_HOME/history/site/*.dat 600
$KELP_HOME/watch-traces/*.log 600
$work/out.dat 600
$work/new.dat 600
$work/report.html 600
$work/existing.dat 644
TABLE
exit $((failures > 0))
