#!/usr/bin/env bash
# kelp-cli record-track against the controller simulator: the erase and record commands for
# the track, "G", and "S" only once the file has been played (or has failed to play, which
# the command reports); a file that is no playable WAV, or a bad track, sends nothing.
# Usage: cli_record_track.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: cli_record_track.sh <path-to-kelp-cli> <e2e-dir>}
source "$(dirname "$0")/lib/simulator.bash"

if ! have_serial_port; then
    echo "cli_record_track: skipped (kelp-cli built without the serial port adapter)"
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
        fail "$1: exit $(cat "$work/$1.rc"), expected $2 ($(head -c 400 "$work/$1.err"))"
}
# The command lines the simulator received, without the lone CR that primes the link.
received() { sed -n 's/.*RX \(.*\)<CR> -> .*/\1/p' "$work/sim.log" | grep -v '^$'; }
# The recorder keys it took, with its notes.
keys() { sed -n 's/.* KEY \(.*\)/\1/p' "$work/sim.log"; }

# A sound of about 1.3 s: eight DTMF digits, each a pause and a 100 ms tone.
"$cli" dtmf-wav 12345678 "$work/id.wav" --delay 60 >/dev/null 2>&1 || fail "dtmf-wav failed"
wav_ms=1280

# A good file: the erase, the record command, G, then S no sooner than the sound's end.
start_sim
run ok record-track "$work/id.wav" --track 3 --port "$device"
[ "$(received)" = "$(printf '1*70023\n1*70013')" ] || fail "ok: the controller received '$(received)'"
[ "$(keys | head -n 1)" = "G [recording track 3]" ] || fail "ok: keys '$(keys)'"
recorded_ms=$(keys | sed -n 's/^S \[track 3 recorded for \([0-9]*\) ms\]$/\1/p')
[ -n "$recorded_ms" ] || fail "ok: the recording was not stopped: '$(keys)'"
if [ "$(cat "$work/ok.rc")" -eq 0 ]; then
    # Played through a sound device: S waited for the whole file.
    [ "${recorded_ms:-0}" -ge "$wav_ms" ] || fail "ok: S after ${recorded_ms} ms, the file lasts ${wav_ms} ms"
    grep -q 'Wav File Upload Complete.' "$work/ok.err" || fail "ok: no completion message"
else
    # No sound device here: the failure is reported, never the completion.
    expect_status ok 2
    grep -q 'Sound Output Error' "$work/ok.err" || fail "ok: the sound failure was not reported"
    ! grep -q 'Wav File Upload Complete.' "$work/ok.err" || fail "ok: completion after a failure"
fi

# The controller refuses the track: nothing is recorded, no G, no S.
start_sim --nack '1\*700219'
run nack record-track "$work/id.wav" --track 19 --port "$device"
expect_status nack 5
[ "$(received)" = "1*700219" ] || fail "nack: the controller received '$(received)'"
[ -z "$(keys)" ] || fail "nack: keys were sent: '$(keys)'"
grep -q 'QZ740 Communications Error' "$work/nack.err" || fail "nack: no refusal box"

# Not a WAV, an empty file, a bad track: refused before anything is sent.
printf 'ID3\003 not a wave' >"$work/song.wav"
: >"$work/empty.wav"
start_sim
run notwav record-track "$work/song.wav" --track 3 --port "$device"
expect_status notwav 2
grep -q 'cannot be recorded: not a WAV file' "$work/notwav.err" || fail "notwav: $(cat "$work/notwav.err")"
run empty record-track "$work/empty.wav" --track 3 --port "$device"
expect_status empty 2
run track20 record-track "$work/id.wav" --track 20 --port "$device"
expect_status track20 2
grep -q 'from 1 to 19' "$work/track20.err" || fail "track20: $(cat "$work/track20.err")"
sleep 0.2
[ -z "$(received)" ] || fail "refused files: the controller received '$(received)'"

exit $((failures > 0))
