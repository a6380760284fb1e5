#!/usr/bin/env bash
# Files no one should have to load, loaded: 50 MB of random bytes as a database, a database
# with one 10 MB line, a main memory image of a million lines. Each ends in a clear message or
# a repaired load, within seconds and in bounded memory; the figures are printed.
# Usage: bad_files.sh <path-to-kelp-cli> <e2e-dir>
set -u

cli=${1:?usage: bad_files.sh <path-to-kelp-cli> <e2e-dir>}
e2e=${2:?usage: bad_files.sh <path-to-kelp-cli> <e2e-dir>}
sample=$e2e/../../examples/sample.dat
work=$(mktemp -d)
export KELP_HOME="$work/home"
mkdir -p "$KELP_HOME"
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
most_seconds=60      # a busy machine, a sanitizer build: still far from a hang
most_kb=$((1536 * 1024))

# bad <name> <kelp-cli arguments...>: must end with exit 0 (a repaired load) or 2/3 and a
# message, in time and memory.
bad() {
    local name=$1 rc seconds kb
    shift
    /usr/bin/time -o "$work/$name.time" -f '%e %M' timeout 300 "$cli" "$@" \
        >"$work/$name.out" 2>"$work/$name.err" </dev/null
    rc=$?
    echo $rc >"$work/$name.rc"
    read -r seconds kb < <(tail -n 1 "$work/$name.time") || { seconds=?; kb=0; }
    seconds=${seconds%%.*}
    case $rc in
        0) grep -q '^RESULTS OF dat EDIT/VALIDATION' "$work/$name.out" ||
               fail "$name: exit 0 without a load report" ;;
        2 | 3) [ -s "$work/$name.err" ] || [ -s "$work/$name.out" ] ||
               fail "$name: exit $rc in silence" ;;
        *) fail "$name: exit $rc ($(tail -c 300 "$work/$name.err"))" ;;
    esac
    [ "$seconds" != "?" ] && [ "$seconds" -le $most_seconds ] || fail "$name: took ${seconds}s"
    [ "$kb" -le $most_kb ] || fail "$name: used $kb kB"
    echo "$name: exit $rc, ${seconds}s, $((kb / 1024)) MB peak: $(grep -m1 -v '^$' "$work/$name.err" | head -c 100)"
}

head -c $((50 * 1024 * 1024)) /dev/urandom >"$work/random.dat"
bad random check "$work/random.dat" --rtc no

{ head -n 5 "$sample"; printf 'Comment='; head -c $((10 * 1024 * 1024)) /dev/zero | tr '\0' x
  printf '\r\n'; tail -n +6 "$sample"; } >"$work/long_line.dat"
bad long_line check "$work/long_line.dat" --rtc no
{ printf 'HangTime1(1)='; head -c $((10 * 1024 * 1024)) /dev/zero | tr '\0' 7; } >"$work/one_line.dat"
bad one_line check "$work/one_line.dat" --rtc no

awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "%d,%d\r\n", i, i % 256 }' >"$work/million.mem"
bad million decode "$work/million.mem" --firmware 700 --write "$work/million.dat"
if [ "$(cat "$work/million.rc")" != 0 ]; then
    ls "$work"/million.dat* >/dev/null 2>&1 && fail "million: failed, yet left a database behind"
fi

exit $((failures > 0))
