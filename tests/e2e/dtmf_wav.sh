#!/usr/bin/env bash
# kelp-cli dtmf-wav: the DTMF audio written to a WAV file must be exactly the program's digit
# sounds with their pauses, and decode digit for digit (repeated digits included) with a
# Goertzel decoder, and with multimon-ng's DTMF decoder when it is installed.
# Usage: dtmf_wav.sh <path-to-kelp-cli> <e2e-dir>
set -u

cli=${1:?usage: dtmf_wav.sh <path-to-kelp-cli> <e2e-dir>}
work=$(mktemp -d)
export KELP_HOME="$work/home"
mkdir -p "$KELP_HOME"
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

run() {
    local name=$1
    shift
    "$cli" "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.rc"
}
status_of() { cat "$work/$1.rc"; }
expect_status() {
    [ "$(status_of "$1")" -eq "$2" ] || fail "$1: exit $(status_of "$1"), expected $2 ($(cat "$work/$1.err"))"
}
size_of() { wc -c <"$1" | tr -d ' '; }
# hex_at <file> <offset> <count>
hex_at() { od -An -tx1 -j "$2" -N "$3" "$1" | tr -d ' \n'; }

# Goertzel decoder: 20 ms blocks of the left channel, strongest row and column tone when
# both stand clear of the others; a digit counts once per run of blocks.
decode() {
    python3 - "$1" <<'PY'
import math, struct, sys, wave
w = wave.open(sys.argv[1])
assert w.getnchannels() == 2 and w.getsampwidth() == 2 and w.getframerate() == 8000
data = w.readframes(w.getnframes())
left = [struct.unpack_from('<h', data, i * 4)[0] for i in range(w.getnframes())]
rows, cols, keys = [697, 770, 852, 941], [1209, 1336, 1477, 1633], "123A456B789C*0#D"
def power(block, hz):
    k = 2 * math.cos(2 * math.pi * hz / 8000)
    s1 = s2 = 0.0
    for x in block:
        s1, s2 = x + k * s1 - s2, s1
    return s1 * s1 + s2 * s2 - k * s1 * s2
digits, previous = "", None
for start in range(0, len(left) - 159, 160):
    block = left[start:start + 160]
    heard = None
    if sum(x * x for x in block) / 160 > 1e5:
        rp = [power(block, f) for f in rows]
        cp = [power(block, f) for f in cols]
        r, c = rp.index(max(rp)), cp.index(max(cp))
        if all(i == r or p * 4 < rp[r] for i, p in enumerate(rp)) and \
           all(i == c or p * 4 < cp[c] for i, p in enumerate(cp)):
            heard = keys[r * 4 + c]
    if heard and heard != previous:
        digits += heard
    previous = heard
print(digits)
PY
}

# multimon-ng wants 22050 Hz mono raw samples.
multimon_decode() {
    python3 - "$1" "$work/multimon.raw" <<'PY'
import struct, sys, wave
w = wave.open(sys.argv[1])
n = w.getnframes()
data = w.readframes(n)
left = [struct.unpack_from('<h', data, i * 4)[0] for i in range(n)]
out = []
for j in range(int(n * 22050 / 8000)):
    t = j * 8000 / 22050
    i = int(t)
    a, b = left[i], (left[i + 1] if i + 1 < n else 0)
    out.append(int(round(a + (b - a) * (t - i))))
open(sys.argv[2], 'wb').write(struct.pack('<%dh' % len(out), *out))
PY
    multimon-ng -q -a DTMF -t raw "$work/multimon.raw" 2>/dev/null | sed -n 's/^DTMF: //p' | tr -d '\n'
}

digits='1234567890*#ABCD11##99DD'
wav="$work/all.wav"
run all dtmf-wav "$digits" "$wav" --delay 60
expect_status all 0
# Per digit 60 ms of silence and 100 ms of tone: 1280 frames of 4 bytes.
[ "$(size_of "$wav")" -eq $((44 + ${#digits} * 1280 * 4)) ] ||
    fail "all: $(size_of "$wav") bytes, expected $((44 + ${#digits} * 1280 * 4))"
data_size=$((${#digits} * 1280 * 4))
le32() { printf '%02x%02x%02x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }
expected_header="52494646$(le32 $((data_size + 36)))57415645666d74201000000001000200401f0000007d000004001000"
expected_header+="64617461$(le32 "$data_size")"
[ "$(hex_at "$wav" 0 44)" = "$expected_header" ] || fail "all: header $(hex_at "$wav" 0 44)"
# 60 ms of silence (480 frames), then digit 1's first frames: 0, 5462, 7517 on both channels.
[ "$(hex_at "$wav" 44 16)" = "00000000000000000000000000000000" ] || fail "all: no silence first"
[ "$(hex_at "$wav" $((44 + 480 * 4)) 12)" = "00000000561556155d1d5d1d" ] ||
    fail "all: first tone frames $(hex_at "$wav" $((44 + 480 * 4)) 12)"

if command -v python3 >/dev/null; then
    decoded=$(decode "$wav")
    [ "$decoded" = "$digits" ] || fail "Goertzel decoder heard '$decoded', expected '$digits'"
else
    echo "dtmf_wav: python3 missing, Goertzel decoding skipped"
fi
if command -v multimon-ng >/dev/null && command -v python3 >/dev/null; then
    decoded=$(multimon_decode "$wav")
    [ "$decoded" = "$digits" ] || fail "multimon-ng heard '$decoded', expected '$digits'"
else
    echo "dtmf_wav: multimon-ng not installed, its decoding skipped"
fi

# The pause never drops under 50 ms, so repeated digits stay apart.
run short dtmf-wav 55 "$work/short.wav" --delay 10
expect_status short 0
[ "$(size_of "$work/short.wav")" -eq $((44 + 2 * 1200 * 4)) ] || fail "short: pause under 50 ms"

# Without --delay the DTMFDelay preference of kelp.ini counts; lower-case letters are digits.
printf '[Main]\r\nDTMFDelay=200\r\n' >"$KELP_HOME/kelp.ini"
run preference dtmf-wav a "$work/pref.wav"
expect_status preference 0
[ "$(size_of "$work/pref.wav")" -eq $((44 + 2400 * 4)) ] || fail "preference: DTMFDelay not used"

# A character that is no DTMF digit is named, and no file is written.
run bad dtmf-wav 12E4 "$work/bad.wav"
expect_status bad 2
grep -q "'E'" "$work/bad.err" || fail "bad: the wrong character is not named: $(cat "$work/bad.err")"
[ -e "$work/bad.wav" ] && fail "bad: a file was written"
run no_file dtmf-wav 123
expect_status no_file 2
run bad_delay dtmf-wav 123 "$work/x.wav" --delay fast
expect_status bad_delay 2
run unwritable dtmf-wav 123 "$work/no/such/folder/x.wav"
expect_status unwritable 2

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "dtmf_wav: all checks passed"
