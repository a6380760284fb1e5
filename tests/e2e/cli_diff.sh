#!/usr/bin/env bash
# kelp-cli diff: a database against a copy with three settings changed (and one written in
# another form that means the same to the controller), as text and as TSV, and the exit
# statuses. Usage: cli_diff.sh <path-to-kelp-cli> <e2e-dir>
set -u

cli=${1:?usage: cli_diff.sh <path-to-kelp-cli> <e2e-dir>}
e2e=${2:?usage: cli_diff.sh <path-to-kelp-cli> <e2e-dir>}
sample=$e2e/../../examples/sample.dat
source "$(dirname "$0")/lib/simulator.bash"

sed -e 's/^HangTime1(2)=40/HangTime1(2)=45/' -e 's/^FanTime=1/FanTime=2/' \
    -e 's/^VoiceID1(1)=[^\r]*/VoiceID1(1)=HELLO/' -e 's/^P1Tone3(2)=0\(\r\?\)$/P1Tone3(2)=0000\1/' \
    "$sample" >"$work/b.dat"
[ "$(grep -c '^HangTime1(2)=45\|^FanTime=2\|^VoiceID1(1)=HELLO\|^P1Tone3(2)=0000' "$work/b.dat")" -eq 4 ] \
    || fail "the sample changed: fix this test"
cp "$work/b.dat" "$work/b.before"

"$cli" diff "$sample" "$work/b.dat" >"$work/diff.out" 2>"$work/diff.err"
rc=$?
[ $rc -eq 1 ] || fail "diff: exit $rc"
expected="[Timers]
Timers: Port 2: Hang Timer 1 (HangTime1(2)): '40' -> '45'
Timers: Global: Fan: Timer (FanTime): '1' -> '2'

[IDs]
IDs: Port 1: Voice ID 1 (VoiceID1(1)): 'Q Z SEVEN FOURTY' -> 'HELLO'"
[ "$(cat "$work/diff.out")" = "$expected" ] || fail "diff: printed
$(cat "$work/diff.out")"

"$cli" diff "$sample" "$work/b.dat" --tsv >"$work/tsv.out" 2>/dev/null
[ "$(sed -n 3p "$work/tsv.out")" = $'IDs\tVoiceID1(1)\tQ Z SEVEN FOURTY\tHELLO' ] \
    || fail "diff --tsv: $(sed -n 3p "$work/tsv.out")"
cmp -s "$work/b.dat" "$work/b.before" || fail "diff changed a file"

# A code is listed as changed, its values hidden unless --show-codes; the prefix is no code.
sed -e 's/^CurrentPortUnlock(1)=16937/CurrentPortUnlock(1)=4321/' \
    -e 's/^DTMFRegenPrefix=12345/DTMFRegenPrefix=24680/' "$sample" >"$work/codes.dat"
for row in "|(CurrentPortUnlock(1)): '(hidden)' -> '(hidden)'" "--tsv|"$'\tCurrentPortUnlock(1)\t(hidden)' \
    "--show-codes|(CurrentPortUnlock(1)): '16937' -> '4321'" "|(DTMFRegenPrefix): '12345' -> '24680'"; do
    "$cli" diff "$sample" "$work/codes.dat" ${row%%|*} >"$work/codes.out" 2>/dev/null
    grep -qF -- "${row#*|}" "$work/codes.out" || fail "diff ${row%%|*}: $(cat "$work/codes.out")"
done

"$cli" diff "$sample" "$sample" >"$work/same.out" 2>/dev/null
[ $? -eq 0 ] && [ ! -s "$work/same.out" ] || fail "diff of a file with itself"
"$cli" diff "$sample" "$work/missing.dat" >/dev/null 2>&1
[ $? -eq 2 ] || fail "diff with a missing file: not exit 2"

exit $((failures > 0))
