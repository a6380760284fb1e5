#!/usr/bin/env bash
# Every file kelp-cli writes, with each of the system calls that write it made to fail in
# turn (strace injects the error): the command fails with a message and leaves the old file
# byte for byte, or succeeds with the whole new file; never a third state, and never a
# temporary file left beside it. A clean run must also flush the new file before renaming it
# over the old one, and flush the folder after.
# Usage: cli_failing_save.sh <path-to-kelp-cli> <e2e-dir>   (KELP_TEST_DATA: tests/data)
set -u

cli=${1:?usage: cli_failing_save.sh <path-to-kelp-cli> <e2e-dir>}
data=${KELP_TEST_DATA:-$(dirname "$0")/../data}
if ! command -v strace >/dev/null || ! strace -o /dev/null true 2>/dev/null; then
    echo "cli_failing_save: skipped (strace cannot trace here)"
    exit 0
fi
# A sanitizer build's leak check cannot run under ptrace; the other checks still do.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
calls=openat,write,fsync,fdatasync,close,rename,renameat,renameat2

# The calls of a clean run that touch the output folder, as "syscall N" (N counting that
# syscall's calls from the start of the process), read from an strace log.
calls_on_output() {
    awk -v dir="$1" '
        match($0, /^[a-z0-9_]+\(/) {
            name = substr($0, 1, RLENGTH - 1)
            n = ++count[name]
            mine = index($0, "\"" dir "/") > 0 || index($0, "\"" dir "\"") > 0
            if (name == "openat" && mine && match($0, /= [0-9]+$/))
                fd[substr($0, RSTART + 2) + 0] = 1
            if (name != "openat" && match($0, /^[a-z0-9_]+\([0-9]+/)) {
                f = substr($0, index($0, "(") + 1) + 0
                if (f in fd) mine = 1
                if (name == "close") delete fd[f]
            }
            if (mine) print name, n
        }' "$2"
}

# matrix <name> <output file> <kelp-cli arguments...>: the output file starts as "old".
matrix() {
    local name=$1 out=$2
    shift 2
    local dir
    dir=$(dirname "$out")
    mkdir -p "$dir"
    printf 'old\r\n' >"$out"
    strace -o "$work/$name.trace" -e trace=$calls "$cli" "$@" >/dev/null 2>"$work/$name.err" ||
        { fail "$name: clean run exited $?: $(tail -c 300 "$work/$name.err")"; return; }
    cp "$out" "$work/$name.new"
    cmp -s "$work/$name.new" <(printf 'old\r\n') && { fail "$name: clean run left the old file"; return; }

    # Flushed before the rename, the folder flushed after it.
    awk -v out="\"$out\"" '
        /^fsync\(/ { fsyncs++ }
        /^rename/ && index($0, out) { at = fsyncs; renamed = 1 }
        END { exit !(renamed && at > 0 && fsyncs > at) }' "$work/$name.trace" ||
        fail "$name: the new file is not flushed before its rename, or the folder after"

    local faults=0 failed=0 syscall n error rc
    while read -r syscall n; do
        faults=$((faults + 1))
        error=EIO
        [ "$syscall" = write ] && error=ENOSPC
        printf 'old\r\n' >"$out"
        strace -o /dev/null -e trace="$syscall" -e inject="$syscall":error=$error:when="$n" \
            "$cli" "$@" >/dev/null 2>"$work/$name.fault.err"
        rc=$?
        if [ $rc -eq 0 ]; then
            cmp -s "$out" "$work/$name.new" ||
                fail "$name: $syscall #$n failed, the command succeeded, but the file is not the new one"
        else
            failed=$((failed + 1))
            cmp -s "$out" <(printf 'old\r\n') ||
                fail "$name: $syscall #$n failed (exit $rc) and the old file changed"
            [ -s "$work/$name.fault.err" ] || fail "$name: $syscall #$n failed (exit $rc) in silence"
        fi
        left=$(ls -A "$dir")
        [ "$left" = "$(basename "$out")" ] || fail "$name: $syscall #$n left: $(echo $left)"
    done < <(calls_on_output "$dir" "$work/$name.trace")
    [ $faults -ge 7 ] || fail "$name: only $faults calls on the output found to fail"
    [ $failed -ge 4 ] || fail "$name: only $failed of $faults faults failed the command"
    echo "$name: $faults calls failed in turn, $failed failed the command"
}

matrix check "$work/check/out.dat" check "$data/full_rtc.dat" --write "$work/check/out.dat"
matrix decode "$work/decode/out.dat" decode "$data/sample_main.mem" --firmware 700 \
    --write "$work/decode/out.dat"
matrix dtmf_wav "$work/wav/out.wav" dtmf-wav 123A "$work/wav/out.wav"

[ $failures -eq 0 ] || { echo "cli_failing_save: $failures failures" >&2; exit 1; }
echo "cli_failing_save: ok"
