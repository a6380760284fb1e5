#!/usr/bin/env bash
# The upload from the command line: the listing of a complete upload (serial and DTMF), the
# whole DTMF upload rendered as audio, and a complete upload through the real serial port
# code into the controller simulator (accepted, refused, with the controller's line ends
# arriving late, unconfirmed, a value holding a CR), and a changes-only upload of what differs
# from an older file.
# Usage: cli_upload.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: cli_upload.sh <path-to-kelp-cli> <e2e-dir>}
e2e=${2:?usage: cli_upload.sh <path-to-kelp-cli> <e2e-dir>}
sample=$e2e/../../examples/sample.dat
source "$(dirname "$0")/lib/simulator.bash"

# The listing: the terminator first, port 2's first hang timer, the reset last.
"$cli" commands "$sample" >"$work/serial.txt" 2>"$work/serial.err" || fail "commands: exit $?"
[ "$(head -n 1 "$work/serial.txt")" = "1*9020D" ] || fail "commands: first line $(head -n 1 "$work/serial.txt")"
[ "$(tail -n 1 "$work/serial.txt")" = "1*21999" ] || fail "commands: last line $(tail -n 1 "$work/serial.txt")"
grep -qx '2\*10001[0-9]*' "$work/serial.txt" || fail "commands: no hang timer 1 of port 2"
grep -q $'\r' "$work/serial.txt" && fail "commands: a line keeps its CR"

"$cli" commands "$sample" --dtmf >"$work/dtmf.txt" 2>"$work/dtmf.err" || fail "commands --dtmf: exit $?"
expected=$'16937D\n*9020DD\n#D\n16937D\n*1000150D'
[ "$(head -n 5 "$work/dtmf.txt")" = "$expected" ] || fail "commands --dtmf: begins $(head -n 5 "$work/dtmf.txt" | tr '\n' ' ')"
[ "$(tail -n 2 "$work/dtmf.txt" | tr '\n' ' ')" = "16937D *21999D " ] || fail "commands --dtmf: ends $(tail -n 2 "$work/dtmf.txt" | tr '\n' ' ')"
grep -q '9091' "$work/dtmf.txt" && fail "commands --dtmf: the DVR table is never played"

# A remote base memory saved half in use by an older program never reaches the controller.
sed -e 's/^FreqString(12)=NONE/FreqString(12)=146520NONE/' "$sample" >"$work/half.dat"
"$cli" commands "$work/half.dat" >"$work/half.txt" 2>"$work/half.err" || fail "half memory: exit $?"
grep -q 'NONE' "$work/half.txt" && fail "half memory: $(grep NONE "$work/half.txt" | head -n 1)"
grep -qx '1\*208612' "$work/half.txt" && fail "half memory: memory 12 was stored"

# The render: its length is every digit's pause and tone, the key-up time before the upload
# and before the reset, and the controller's 50 ms after each of the 120 courtesy segments.
"$cli" render "$sample" "$work/upload.wav" --delay 60 --key-up 500 >"$work/render.out" 2>"$work/render.err" \
    || fail "render: exit $? ($(cat "$work/render.err"))"
grep -q 'of audio' "$work/render.out" || fail "render: no length printed"
digits=$(tr -d '\n' <"$work/dtmf.txt" | wc -c)
ms=$(sed -n 's/.*(\([0-9]*\) ms).*/\1/p' "$work/render.out")
[ "$ms" = "$((digits * 160 + 1000 + 120 * 50))" ] || fail "render: $ms ms for $digits digits"
[ "$(head -c 4 "$work/upload.wav")" = "RIFF" ] || fail "render: not a WAV file"

# Longest transmission 180 s: the listing and the render cut the run in the same places, each
# break adding its lock and unlock codes, 3 s released and the key-up time again.
cut=(--delay 60 --key-up 500 --longest-transmission 180)
"$cli" commands "$sample" --dtmf "${cut[@]}" >"$work/cut.txt" && "$cli" render "$sample" "$work/cut.wav" "${cut[@]}" >"$work/cut.out" || fail "cut: exit $?"
breaks=$(grep -cx -- '-- unkey; wait 3000 ms; key; wait 500 ms --' "$work/cut.txt")
[ "$breaks" -ge 5 ] && grep -q "^$breaks breaks of 3 s (longest transmission 180 s) at 0:03:" "$work/cut.out" || fail "cut: $breaks breaks; $(cat "$work/cut.out")"
digits=$(grep -v '^--' "$work/cut.txt" | tr -d '\n' | wc -c)
[ "$(sed -n 's/.*(\([0-9]*\) ms).*/\1/p' "$work/cut.out")" = "$((digits * 160 + 1000 + 120 * 50 + breaks * 3500))" ] || fail "cut: length for $digits digits"

# A complete upload into the simulator.
if ! have_serial_port; then
    echo "cli_upload: serial part skipped (kelp-cli built without the serial port adapter)"
    exit $((failures > 0))
fi
cp "$sample" "$work/up.dat"
start_sim --delay 0
"$cli" upload "$work/up.dat" --port "$device" --yes >"$work/up.out" 2>"$work/up.err"
rc=$?
[ $rc -eq 0 ] || fail "upload: exit $rc ($(tail -c 400 "$work/up.err"))"
grep -q 'RX 1GetVersion<CR>' "$work/sim.log" || fail "upload: the firmware was not asked"
received=$(grep ' RX [^<]' "$work/sim.log" | grep -vc 'RX 1GetVersion')
[ "$received" -eq "$(wc -l <"$work/serial.txt")" ] || fail "upload: simulator received $received lines, the listing has $(wc -l <"$work/serial.txt")"
grep -q 'RX 1\*21999<CR>' "$work/sim.log" || fail "upload: no reset"
grep -q 'Complete Upload' "$work/up.err" || fail "upload: no Complete Upload message"
ls "$KELP_HOME"/serial-trace-*.log >/dev/null 2>&1 || fail "upload: no serial trace in the application folder"

# A CR inside a value (an LF file: no line end) never splits a command; the load reports it.
tr -d '\r' <"$sample" | sed -e 's/^AutoDial(1)=.*/AutoDial(1)=5551212\r1*9000999/' >"$work/cr.dat"
start_sim --delay 0
"$cli" upload "$work/cr.dat" --port "$device" --yes >/dev/null 2>"$work/cr.err" || fail "CR in a value: exit $?"
grep -q 'RX 1\*9000999' "$work/sim.log" && fail "CR in a value: 1*9000999 reached the controller"
grep -q 'RX 1\*21150010<CR>' "$work/sim.log" && grep -q 'DAT File Errors' "$work/cr.err" || fail "CR in a value: not dropped"
"$cli" check "$work/cr.dat" 2>/dev/null | grep -q "^Value received is '5551212<CR>1\*9000999'" || fail "CR in a value: no error.log entry"

# A refused timer command stops the upload with "Update Error" and no reset.
start_sim --delay 0 --nack '1\*1004.*'
"$cli" upload "$work/up.dat" --port "$device" --yes >"$work/nack.out" 2>"$work/nack.err"
rc=$?
[ $rc -eq 5 ] || fail "refused upload: exit $rc"
grep -q 'Update Error' "$work/nack.err" || fail "refused upload: no Update Error"
grep -q 'RX 1\*21999' "$work/sim.log" && fail "refused upload: the controller was reset"
grep -q 'RX 1\*2119' "$work/sim.log" && fail "refused upload: went on after the refusal"

# Each answer's CR LF arriving only with the next answer (a busy computer, a USB adapter that
# batches bytes): every acknowledgement still counts and the whole upload goes through.
start_sim --delay 0 --late-eol
"$cli" upload "$work/up.dat" --port "$device" --yes >"$work/late.out" 2>"$work/late.err"
rc=$?
[ $rc -eq 0 ] || fail "late line ends: exit $rc ($(tail -c 400 "$work/late.err"))"
received=$(grep ' RX [^<]' "$work/sim.log" | grep -vc 'RX 1GetVersion')
[ "$received" -eq "$(wc -l <"$work/serial.txt")" ] || fail "late line ends: $received lines received"

# Without --yes and without a terminal the confirmation is answered No: nothing is sent.
start_sim --delay 0
"$cli" upload "$work/up.dat" --port "$device" </dev/null >"$work/no.out" 2>"$work/no.err"
rc=$?
[ $rc -eq 3 ] || fail "unconfirmed upload: exit $rc"
grep -q 'answered No' "$work/no.err" || fail "unconfirmed upload: does not say it answered No"
grep ' RX [^<]' "$work/sim.log" | grep -qv 'RX 1GetVersion' && fail "unconfirmed upload: sent commands"

# --since: exactly the groups of the three settings changed since the older file, no reset.
sed -e 's/^HangTime1(2)=40/HangTime1(2)=45/' -e 's/^FanTime=1/FanTime=2/' \
    -e 's/^P1Tone3(2)=0/P1Tone3(2)=880/' "$sample" >"$work/new.dat"
grep -q '^HangTime1(2)=45' "$work/new.dat" || fail "since: the sample changed, fix this test"
start_sim --delay 0
"$cli" upload "$work/new.dat" --port "$device" --since "$sample" >"$work/since.out" 2>"$work/since.err"
rc=$?
[ $rc -eq 0 ] || fail "since: exit $rc ($(tail -c 400 "$work/since.err"))"
sent=$(sed -n 's/.* RX \([^<][^<]*\)<CR>.*/\1/p' "$work/sim.log" | grep -v '^1GetVersion$' | tr '\n' ' ')
[ "$sent" = "2*1000145 2*1000250 2*1000360 1*10042 1*3202250*250*880*0* " ] || fail "since: sent $sent"
grep -q '3 settings' "$work/since.err" || fail "since: does not count the differences"
"$cli" upload "$sample" --port "$device" --since "$sample" >"$work/same.out" 2>"$work/same.err"
[ $? -eq 0 ] && grep -qx 'nothing to send' "$work/same.out" || fail "since: identical files sent something"

# What the controller holds survives the program: a complete upload records it, an edit made
# afterwards (another day, another run) is what --changes sends; a refused line stays to send.
cp "$sample" "$work/rec.dat"
start_sim --delay 0
"$cli" upload "$work/rec.dat" --port "$device" --changes >"$work/norec.out" 2>"$work/norec.err"
[ $? -eq 2 ] || fail "changes without a record: not exit 2"
grep -q 'no record' "$work/norec.err" || fail "changes without a record: no clear message"
"$cli" upload "$work/rec.dat" --port "$device" --yes >/dev/null 2>"$work/rec.err" \
    || fail "record: complete upload failed ($(tail -c 300 "$work/rec.err"))"
sed -i -e 's/^HangTime1(2)=40/HangTime1(2)=45/' -e 's/^FanTime=1/FanTime=2/' "$work/rec.dat"
start_sim --delay 0 --nack '1\*10042'
"$cli" upload "$work/rec.dat" --port "$device" --changes >/dev/null 2>"$work/part.err"
[ $? -eq 5 ] || fail "changes, fan timer refused: not exit 5"
grep -q '2 settings differ' "$work/part.err" || fail "changes: does not count the differences"
start_sim --delay 0
"$cli" upload "$work/rec.dat" --port "$device" --changes >/dev/null 2>"$work/rest.err" \
    || fail "changes, the rest: failed ($(tail -c 300 "$work/rest.err"))"
sent=$(sed -n 's/.* RX \([^<][^<]*\)<CR>.*/\1/p' "$work/sim.log" | grep -v '^1GetVersion$' | tr '\n' ' ')
[ "$sent" = "1*10042 " ] || fail "changes after a refusal: sent $sent (only the refused fan timer is due)"
"$cli" upload "$work/rec.dat" --port "$device" --changes >"$work/none.out" 2>/dev/null
[ $? -eq 0 ] && grep -qx 'nothing to send' "$work/none.out" || fail "changes: sent again what the controller holds"

exit $((failures > 0))
