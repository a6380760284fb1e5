#!/usr/bin/env bash
# A link that fails under kelp-cli, through the real serial port code and the controller
# simulator: the controller gone mid-upload and mid-download (the device closed), noise
# instead of answers, silence to the firmware question, the USB adapter unplugged mid-upload
# (the device path vanishes). Each ends within its time-out with a message and a non-zero
# exit, changes no file, and leaves the settings it did not get through still to send.
# Usage: link_faults.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: link_faults.sh <path-to-kelp-cli> <e2e-dir>}
e2e=${2:?usage: link_faults.sh <path-to-kelp-cli> <e2e-dir>}
sample=$e2e/../../examples/sample.dat
source "$(dirname "$0")/lib/simulator.bash"

if ! have_serial_port; then
    echo "link_faults: skipped (kelp-cli built without the serial port adapter)"
    exit 0
fi

# fault <name> <most seconds> <box title> <kelp-cli arguments...>: runs kelp-cli, which must
# fail within the time, the last box it shows having that title; output in $work/<name>.*
fault() {
    local name=$1 most=$2 title=$3 started rc took
    shift 3
    started=$(date +%s)
    timeout 120 "$cli" "$@" >"$work/$name.out" 2>"$work/$name.err" </dev/null
    rc=$?
    took=$(($(date +%s) - started))
    [ $rc -ne 0 ] && [ $rc -ne 124 ] || fail "$name: exit $rc"
    [ $took -le "$most" ] || fail "$name: took ${took}s, more than ${most}s"
    grep "^\[" "$work/$name.err" | tail -n 1 | grep -qF "$title" ||
        fail "$name: the last box is not '$title': $(tail -c 400 "$work/$name.err")"
    echo "$name: exit $rc after ${took}s, last box: $(grep "^\[" "$work/$name.err" | tail -n 1)"
}
# unchanged <file> <copy>: the file is byte for byte its copy, and nothing lies beside it.
unchanged() {
    cmp -s "$1" "$2" || fail "$1 changed"
    ls -A "$(dirname "$1")" | grep -q 'kelp-\|\.tmp$' && fail "a temporary file beside $1: $(ls -A "$(dirname "$1")")"
}

mkdir -p "$work/files"
cp "$sample" "$work/files/up.dat"
cp "$sample" "$work/pristine.dat"

# What the controller holds after a complete upload is recorded; two edits are then due.
start_sim --delay 0
"$cli" upload "$work/files/up.dat" --port "$device" --yes >/dev/null 2>"$work/first.err" ||
    fail "first complete upload failed: $(tail -c 300 "$work/first.err")"
sed -i -e 's/^HangTime1(2)=40/HangTime1(2)=45/' -e 's/^FanTime=1/FanTime=2/' "$work/files/up.dat"
cp "$work/files/up.dat" "$work/edited.dat"
cp -r "$KELP_HOME" "$work/home-before"
# sent_lines: the lines the simulator received, but the firmware question.
sent_lines() { sed -n 's/.* RX \([^<][^<]*\)<CR>.*/\1/p' "$work/sim.log" | grep -v '^1GetVersion$' | tr '\n' ' '; }

# The controller gone at the firmware question: a closed port at once, nothing counts as sent.
start_sim --delay 0 --hang-up-after 2
fault gone_upload 5 'Serial Port Error' upload "$work/files/up.dat" --port "$device" --changes
unchanged "$work/files/up.dat" "$work/edited.dat"
start_sim --delay 0
"$cli" upload "$work/files/up.dat" --port "$device" --changes >/dev/null 2>"$work/after.err" ||
    fail "upload after the hang-up failed: $(tail -c 300 "$work/after.err")"
[ "$(sent_lines)" = "2*1000145 2*1000250 2*1000360 1*10042 " ] ||
    fail "after the hang-up: sent $(sent_lines), expected both changed settings"

# The controller killed while it holds port 3's second hang timer unanswered (the upload goes
# on past that one if the controller is only silent): ended within moments, with one box saying
# the port closed, no time-out or write error box, and Update Error last.
start_sim --delay 0 --silent '3\*10002.*'
"$cli" upload "$work/files/up.dat" --port "$device" --yes >/dev/null 2>"$work/killed.err" </dev/null &
cli_pid=$!
for _ in $(seq 600); do grep -q ' RX 3\*10002' "$work/sim.log" && break || sleep 0.05; done
{ kill -KILL "$sim_pid" && killed_at=$(date +%s%N) && wait "$sim_pid"; } 2>/dev/null
sim_pid=
wait "$cli_pid" && fail "killed: exit 0"
took_ms=$((($(date +%s%N) - killed_at) / 1000000))
[ $took_ms -le 3000 ] || fail "killed: went on for ${took_ms} ms after the controller was killed"
[ "$(grep -c 'closed before the QZ740 answered' "$work/killed.err")" = 1 ] &&
    [ "$(grep '^\[' "$work/killed.err" | tail -n 2 | tr -d '\n')" = '[Serial Port Error][Update Error]' ] &&
    ! grep -q '^\[QZ740 Communications Error\]\|8020' "$work/killed.err" ||
    fail "killed: $(cat "$work/killed.err")"
echo "killed: ended ${took_ms} ms after the controller was killed"

# A complete upload, the controller gone after 40 lines; the adapter unplugged after 40.
start_sim --delay 0 --hang-up-after 40
fault gone_complete 25 'Update Error' upload "$work/files/up.dat" --port "$device" --yes
start_sim --delay 0 --link "$work/ttyUSB0" --unplug-after 40
fault unplugged 25 'Update Error' upload "$work/files/up.dat" --port "$work/ttyUSB0" --yes
[ -e "$work/ttyUSB0" ] && fail "unplugged: the device path is still there"
unchanged "$work/files/up.dat" "$work/edited.dat"

# Noise instead of every answer; silence to the firmware question.
start_sim --delay 0 --garbage '.*'
fault noise 30 'QZ740 Communications Error' upload "$work/files/up.dat" --port "$device" --yes
grep -q 'RX 1\*21999' "$work/sim.log" && fail "noise: the controller was reset"
start_sim --delay 0 --silent '1GetVersion'
fault no_version 20 'QZ740 Communications Error' upload "$work/files/up.dat" --port "$device" --yes
[ -z "$(sent_lines)" ] || fail "no version: sent $(sent_lines)"
unchanged "$work/files/up.dat" "$work/edited.dat"

# The controller gone mid-download: the old database stays, no image is half replaced.
printf 'old\r\n' >"$work/files/down.dat"
cp "$work/files/down.dat" "$work/down.before"
for image in download.mem apdownload.mem rtcdownload.mem; do
    [ -e "$KELP_HOME/$image" ] && cp "$KELP_HOME/$image" "$work/$image.before"
done
start_sim --delay 0 --version 700 --dat "$sample" --hang-up-after 300
fault gone_download 25 'Download Error' download --port "$device" --write "$work/files/down.dat"
unchanged "$work/files/down.dat" "$work/down.before"
start_sim --delay 0 --version 700 --dat "$sample" --garbage '.*'
fault noise_download 30 'ERAM Decode Error' download --port "$device" --write "$work/files/down.dat"
unchanged "$work/files/down.dat" "$work/down.before"

stop_sim
exit $((failures > 0))
