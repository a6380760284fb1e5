#!/usr/bin/env bash
# kelp-cli --version, --help and catalogue, as a script would use them.
# Usage: cli_catalogue.sh <path-to-kelp-cli> <e2e-dir>
set -u

cli=${1:?usage: cli_catalogue.sh <path-to-kelp-cli> <e2e-dir>}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# expect_line <file> <line-number> <expected text, printf escapes allowed>
expect_line() {
    local actual expected
    actual=$(sed -n "$2p" "$1")
    expected=$(printf '%b' "$3")
    [ "$actual" = "$expected" ] || fail "$1 line $2: expected '$expected', got '$actual'"
}

# expect_count <file> <lines>
expect_count() {
    local n
    n=$(wc -l <"$1")
    [ "$n" -eq "$2" ] || fail "$1: expected $2 lines, got $n"
}

# run <name> <args...>: stdout to $work/<name>.out, stderr to .err, status to $work/<name>.rc
run() {
    local name=$1
    shift
    "$cli" "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.rc"
}

status_of() { cat "$work/$1.rc"; }

run version --version
[ "$(status_of version)" -eq 0 ] || fail "--version exited $(status_of version)"
[ "$(cat "$work/version.out")" = "7.00" ] || fail "--version printed '$(cat "$work/version.out")'"

run help --help
[ "$(status_of help)" -eq 0 ] || fail "--help exited $(status_of help)"
grep -q '^Usage: kelp-cli' "$work/help.out" || fail "--help has no usage line"
grep -q 'catalogue' "$work/help.out" || fail "--help does not list the catalogue command"

run functions catalogue functions
f="$work/functions.out"
[ "$(status_of functions)" -eq 0 ] || fail "catalogue functions exited $(status_of functions)"
expect_count "$f" 814
expect_line "$f" 1 '001\t001 Port 1 Carrier & Tone Access'
expect_line "$f" 7 '\t'
expect_line "$f" 66 '058\t058 Port 1Courtesy Tone 10'
expect_line "$f" 814 '791\t791 Call Macro 90'
grep -qxF "$(printf '060\t060 Port 2 Courtesy Tone 2  ')" "$f" || fail "trailing spaces of 060 lost"
grep -qxF "$(printf '002\t002 Port 2 Carrier & Tone  Access')" "$f" || fail "double space of 002 lost"
blanks=$(grep -cx "$(printf '\t')" "$f")
[ "$blanks" -eq 74 ] || fail "expected 74 blank rows printed as a lone TAB, got $blanks"
functions=$(grep -cP '^\d{3}\t\d{3} ' "$f")
[ "$functions" -eq 740 ] || fail "expected 740 function rows, got $functions"
grep -qP '^(700|765|255)\t' "$f" && fail "an unused function code is listed"
if grep -q $'\r' "$f"; then fail "output has CR characters"; fi

run vocabulary catalogue vocabulary
v="$work/vocabulary.out"
[ "$(status_of vocabulary)" -eq 0 ] || fail "catalogue vocabulary exited $(status_of vocabulary)"
expect_count "$v" 256
expect_line "$v" 1 '000\tZERO'
expect_line "$v" 23 '022\tFOURTY'
expect_line "$v" 236 '235\tSILENCE(PAUSE)'
expect_line "$v" 237 '-1\t '
expect_line "$v" 256 '254\tDVR19'

run cw catalogue cw
c="$work/cw.out"
[ "$(status_of cw)" -eq 0 ] || fail "catalogue cw exited $(status_of cw)"
expect_count "$c" 43
expect_line "$c" 1 '00\t0'
expect_line "$c" 36 '90\tZ'
expect_line "$c" 38 '11\tWORD_SPACE'
expect_line "$c" 43 '20\t?'

# Command lines that are not understood: a message on stderr, nothing on stdout, status 2.
check_refused() {
    local name=$1
    shift
    run "$name" "$@"
    [ "$(status_of "$name")" -eq 2 ] || fail "'$*' exited $(status_of "$name"), expected 2"
    [ -s "$work/$name.err" ] || fail "'$*' gave no message on stderr"
    [ -s "$work/$name.out" ] && fail "'$*' printed on stdout"
    return 0
}
check_refused unknown frobnicate
check_refused unknown_catalogue catalogue macros
check_refused missing_catalogue catalogue
check_refused extra_argument catalogue cw extra
check_refused unknown_option --verbose

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "cli_catalogue: all checks passed"
