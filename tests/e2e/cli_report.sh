#!/usr/bin/env bash
# kelp-cli report: the configuration report of the example database, printed to PDF by a real
# headless browser and read back as text; the repair marks, the codes only when asked for,
# and a report that is never half written.
# Usage: cli_report.sh <path-to-kelp-cli> <e2e-dir>
set -u

cli=${1:?usage: cli_report.sh <path-to-kelp-cli> <e2e-dir>}
e2e=${2:-$(dirname "$0")}
sample=$e2e/../../examples/sample.dat
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

for tool in chromium pdftotext; do
    command -v "$tool" >/dev/null || {
        echo "FAIL: $tool is not installed (make deps installs it)" >&2
        exit 1
    }
done

run() {
    local name=$1
    shift
    "$cli" "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.rc"
}

expect_status() {
    local got
    got=$(cat "$work/$1.rc")
    [ "$got" -eq "$2" ] || fail "$1: exit status $got, expected $2 ($(head -c 300 "$work/$1.err"))"
}

# Chromium prints the page as the print style sheet lays it out.
to_pdf() {
    timeout 300 chromium --headless --no-sandbox --disable-gpu --no-pdf-header-footer \
        --user-data-dir="$work/profile" --print-to-pdf="$2" "file://$1" \
        >"$work/chromium.log" 2>&1 || fail "chromium could not print $1: $(tail -3 "$work/chromium.log")"
}

# --- the example database, without codes, through the browser ------------------------------
cp "$sample" "$work/sample.dat"
before=$(md5sum <"$work/sample.dat")
run plain report "$work/sample.dat" --html "$work/plain.html"
expect_status plain 0
[ "$(md5sum <"$work/sample.dat")" = "$before" ] || fail "report changed the database file"
grep -qiE '<script|src=|href=|@import|url\(' "$work/plain.html" && fail "the report fetches or runs something"
to_pdf "$work/plain.html" "$work/plain.pdf"
pdftotext -layout "$work/plain.pdf" "$work/plain.txt" || fail "pdftotext failed"
pages=$(pdfinfo "$work/plain.pdf" 2>/dev/null | sed -n 's/^Pages: *//p')
[ "${pages:-0}" -ge 12 ] || fail "the report prints on $pages pages; each of the eleven areas should start one"

# Each area's caption with a few of its values, as the page prints them.
while IFS='|' read -r area value; do
    grep -qF -- "$area" "$work/plain.txt" || fail "the printed report has no '$area'"
    grep -qF -- "$value" "$work/plain.txt" || fail "the printed report lacks '$value' ($area)"
done <<'EOF'
sample.dat|Firmware version
Timers|Hang Timer 1
Courtesy Tones|Delay To This Segment
Macros|73511
Scheduler/Clock|Setpoint Number 20
Analog|Reference Voltage
IDs|Q Z SEVEN FOURTY
Messages|Entries that hold nothing are left out.
DTMF|DTMF Parameters
Logic Alarms/R Base|1465202
Special Codes/Autopatch|Autopatch
Port Switches|Tail Msg #
EOF
grep -qF "CW ID 1" "$work/plain.txt" || fail "the printed report has no CW ID"
grep -qF "<th>CW ID 1</th><td>Q Z 7 4 0</td>" "$work/plain.html" ||
    fail "the CW ID is not shown as its characters"
grep -qF "No setpoint is enabled" "$work/plain.txt" || fail "the week view does not say it is empty"
grep -qF "16937" "$work/plain.txt" && fail "an unlock code is printed without --include-codes"
grep -qF "left out of this report" "$work/plain.txt" || fail "the report does not say the codes are left out"

# --- a database with macros, messages, tones and a schedule -------------------------------
sed -e 's/^Macro(1)=NONE STORED/Macro(1)=001 013/' \
    -e 's/^MessageMacro(1)=NONE STORED/MessageMacro(1)=GOOD MORNING/' \
    -e 's/^P1Tone1(1)=0/P1Tone1(1)=440/' -e 's/^P1Tone2(1)=0/P1Tone2(1)=880/' \
    -e 's/^DOW(1)=0/DOW(1)=1/' -e 's/^Hours(1)=25/Hours(1)=07/' -e 's/^Minutes(1)=00/Minutes(1)=05/' \
    -e 's/^MacroToRun(1)=90/MacroToRun(1)=12/' "$work/sample.dat" >"$work/club.dat"
run club report "$work/club.dat" --html "$work/club.html"
expect_status club 0
to_pdf "$work/club.html" "$work/club.pdf"
pdftotext -layout "$work/club.pdf" "$work/club.txt" || fail "pdftotext failed"
for text in "001 Port 1 Carrier & Tone Access" "013 Port 1 Transmit Enable" "GOOD MORNING" \
    "440/880 Hz" "1: M12" "Monday (1)" "7 AM (07)"; do
    grep -qF -- "$text" "$work/club.txt" || fail "the printed report lacks '$text'"
done
grep -qF "No setpoint is enabled" "$work/club.txt" && fail "the week view misses the enabled setpoint"

# --- with the codes -------------------------------------------------------------------------
run codes report "$work/sample.dat" --html "$work/codes.html" --include-codes
expect_status codes 0
grep -qF ">16937<" "$work/codes.html" || fail "--include-codes did not put the unlock codes in"

# --- a repaired value carries its entry -----------------------------------------------------
sed 's/^HangTime1(1)=50/HangTime1(1)=999/' "$work/sample.dat" >"$work/bad.dat"
run bad report "$work/bad.dat" --html "$work/bad.html"
expect_status bad 0
grep -qF "DAT item: HangTime1(1)" "$work/bad.html" || fail "the repair is not marked in the report"
grep -qF "Value received was &#39;999&#39;" "$work/bad.html" || fail "the repair entry lost its value"

# --- bad command lines and writes that cannot be done leave nothing -------------------------
run nohtml report "$work/sample.dat"
expect_status nohtml 2
run nofile report --html "$work/x.html"
expect_status nofile 2
run missing report "$work/absent.dat" --html "$work/x.html"
expect_status missing 2
[ -e "$work/x.html" ] && fail "a report was written for a file that does not exist"
echo old >"$work/keep.html"
chmod 555 "$work"
run unwritable report "$work/sample.dat" --html "$work/keep.html"
chmod 755 "$work"
if [ "$(id -u)" != 0 ]; then
    expect_status unwritable 2
    [ "$(cat "$work/keep.html")" = old ] || fail "a failed write changed the old report"
fi
run nodir report "$work/sample.dat" --html "$work/no/such/dir/r.html"
expect_status nodir 2

[ "$failures" -eq 0 ] || exit 1
echo "cli_report: all checks passed"
