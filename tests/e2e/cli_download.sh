#!/usr/bin/env bash
# kelp-cli download through the real serial port code from the controller simulator, which
# serves the memory images of examples/sample.dat: the downloaded database loads without a
# single repair, with and without the RTC and AP1 boards, also at 9600 baud's own pace; a
# refused RTC request is asked again; a controller that stops mid-image, refuses the image
# or sends garbage fails the download and leaves OUT.dat and the last whole image as they were;
# a controller of another firmware family is downloaded only with --accept-firmware.
# Usage: cli_download.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=${1:?usage: cli_download.sh <path-to-kelp-cli> <e2e-dir>}
e2e=${2:?usage: cli_download.sh <path-to-kelp-cli> <e2e-dir>}
sample=$e2e/../../examples/sample.dat
data=${KELP_TEST_DATA:-$e2e/../data}
source "$(dirname "$0")/lib/simulator.bash"

if ! have_serial_port; then
    echo "cli_download: skipped (kelp-cli built without the serial port adapter)"
    exit 0
fi

# sample_sim <options...>: a fresh simulator serving sample.dat's images; sets $device
sample_sim() {
    start_sim --delay 0 --version 700 --dat "$sample" "$@"
}

# download <name> <options...>: kelp-cli download into $work/<name>.dat; output in
# $work/<name>.{out,err}, status in $work/<name>.rc
download() {
    local name=$1
    shift
    "$cli" download --port "$device" --write "$work/$name.dat" "$@" \
        >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.rc"
}
status_of() { cat "$work/$1.rc"; }
value_of() { tr -d '\r' <"$work/$1.dat" | sed -n "s/^$2=//p" | head -n 1; }

# expect_clean <name>: downloaded, and the result loads without a single repair, both in the
# download's own load and in kelp-cli check.
expect_clean() {
    local name=$1
    [ "$(status_of "$name")" = 0 ] ||
        { fail "$name: exit $(status_of "$name"): $(tail -c 600 "$work/$name.err")"; return; }
    [ -f "$work/$name.dat" ] || { fail "$name: no $name.dat"; return; }
    grep -q '^RESULTS OF dat EDIT/VALIDATION' "$work/$name.out" || fail "$name: no load report"
    grep -q '\*\*\*\*' "$work/$name.out" && fail "$name: the download needed repairs: $(head -c 600 "$work/$name.out")"
    grep -q 'DAT File Errors\|VERSION DIFFERENCE\|Download error' "$work/$name.err" &&
        fail "$name: unexpected box: $(grep -A2 'DAT File Errors\|VERSION DIFFERENCE\|Download error' "$work/$name.err")"
    "$cli" check "$work/$name.dat" >"$work/$name.check" 2>"$work/$name.check.err" ||
        fail "$name: kelp-cli check exited $?"
    grep -q '\*\*\*\*' "$work/$name.check" && fail "$name: check needed repairs: $(head -c 600 "$work/$name.check")"
    [ "$(value_of "$name" FirmwareVersion)" = 700 ] ||
        fail "$name: FirmwareVersion '$(value_of "$name" FirmwareVersion)'"
}

# same_as_sample <name>: every setting the images carry came back as sample.dat has it (keys
# left empty are those no image holds, which the load fills with their defaults; the DVR
# table never travels).
same_as_sample() {
    local name=$1 differing
    differing=$(awk -F= '
        FNR == 1 { file++ }
        /^\[/ { next }
        { sub(/\r$/, "") }
        file == 1 { want[$1] = substr($0, length($1) + 2); next }
        $1 ~ /^DVR/ || $1 == "HasRTC" { next }
        { got = substr($0, length($1) + 2) }
        got != "" && got != want[$1] { print $1 " = \"" got "\", sample \"" want[$1] "\"" }
    ' "$sample" "$work/$name.dat")
    [ -z "$differing" ] || fail "$name: settings differ from sample.dat: $(head -n 5 <<<"$differing")"
}

# The main image only.
sample_sim
download main
expect_clean main
same_as_sample main
[ "$(value_of main HasRTC)" = 0 ] || fail "main: HasRTC '$(value_of main HasRTC)'"
grep -q 'RX 1SendEram<CR>' "$work/sim.log" || fail "main: no image requested"
grep -q 'RX 1SendRTCEram\|RX 1SendAPEram' "$work/sim.log" && fail "main: an option board was asked"
[ "$(wc -l <"$KELP_HOME/download.mem")" -eq 4085 ] || fail "main: download.mem has $(wc -l <"$KELP_HOME/download.mem") lines"

# Both option boards: the RTC memories not in use come back as not in use.
sample_sim
download options --rtc --ap
expect_clean options
same_as_sample options
[ "$(value_of options HasRTC)" = 1 ] || fail "options: HasRTC '$(value_of options HasRTC)'"
for key in 'FreqString(11)' 'CTCSS(11)' 'CTCSSMode(40)' 'RadioMode(40)'; do
    [ "$(value_of options "$key")" = NONE ] || fail "options: $key is '$(value_of options "$key")'"
done
relock="$(tr -d '\r' <"$sample" | sed -n 's/^Lock=//p')$(tr -d '\r' <"$sample" | sed -n 's/^Terminator=//p')"
[ "$(grep -cF "RX $relock<CR>" "$work/sim.log")" -eq 3 ] ||
    fail "options: the controller was not locked again ($relock) after each of the RTC, AP and version steps"

# At 9600 baud's own pace, with option images of other sources: every line and chunk is
# answered once, and the images are stored exactly as they were sent.
sample_sim --pace --rtc "$data/sample_rtc.mem" --ap "$data/sample_ap.mem"
download paced --rtc --ap
expect_clean paced
[ "$(value_of paced 'DTMF(21)')" = '4 5 6 ' ] || fail "paced: DTMF(21) is '$(value_of paced 'DTMF(21)')'"
[ "$(value_of paced 'AutoDial(7)')" = 5551212 ] || fail "paced: AutoDial(7) is '$(value_of paced 'AutoDial(7)')'"
cmp -s "$KELP_HOME/rtcdownload.mem" "$data/sample_rtc.mem" || fail "paced: rtcdownload.mem differs from what was sent"
cmp -s "$KELP_HOME/apdownload.mem" "$data/sample_ap.mem" || fail "paced: apdownload.mem differs from what was sent"
grep -q 'still sending' "$work/sim.log" && fail "paced: items were acknowledged more than once ($(grep -c 'still sending' "$work/sim.log") extra)"

# Image files served as they are; a refused RTC request is asked again.
sample_sim --main "$data/sample_main.mem" --refuse-download rtc --refusals 2 --rtc "$data/sample_rtc.mem"
download refused_rtc --rtc
expect_clean refused_rtc
cmp -s "$KELP_HOME/download.mem" "$data/sample_main.mem" || fail "refused_rtc: download.mem differs from what was sent"
[ "$(grep -c 'RX 1SendRTCEram<CR>' "$work/sim.log")" -eq 3 ] ||
    fail "refused_rtc: asked $(grep -c 'RX 1SendRTCEram<CR>' "$work/sim.log") times, expected 3"
[ "$(value_of refused_rtc 'DTMF(21)')" = '4 5 6 ' ] || fail "refused_rtc: DTMF(21) is '$(value_of refused_rtc 'DTMF(21)')'"

# expect_failed <name> <box title> <text>: the download failed with that box (the controller's
# doing: exit 5), and the OUT.dat that was there before is untouched, with nothing
# half-written beside it.
expect_failed() {
    local name=$1 title=$2 text=$3
    [ "$(status_of "$name")" = 5 ] || fail "$name: exit $(status_of "$name"), expected 5"
    grep -q "^\[message\] $title" "$work/$name.err" || fail "$name: no '$title' box: $(tail -c 600 "$work/$name.err")"
    grep -qF "$text" "$work/$name.err" || fail "$name: no text '$text'"
    [ "$(cat "$work/$name.dat")" = "an earlier download" ] || fail "$name: $name.dat was changed"
    ls "$work/$name.dat".* >/dev/null 2>&1 && fail "$name: left $(ls "$work/$name.dat".*)"
}

# The controller stops mid-image: the five-second time-out, then the download error.
sample_sim --stop-after 100
echo "an earlier download" >"$work/stopped.dat"
cp "$KELP_HOME/download.mem" "$work/download.mem.before"
download stopped
expect_failed stopped 'Serial Timeout' \
    'Data from the QZ740 did not successfully download. Please try again. Press OK to continue.'
expect_failed stopped 'Download Error' 'An error occurred during the download'
# The image of the last download that came through stays whole; nothing lies beside it.
cmp -s "$KELP_HOME/download.mem" "$work/download.mem.before" ||
    fail "stopped: download.mem has $(wc -l <"$KELP_HOME/download.mem") lines, not the last whole image"
ls -A "$KELP_HOME" | grep -q '\.tmp$' && fail "stopped: a temporary file in $KELP_HOME"

# The controller refuses the image.
sample_sim --refuse-download main
echo "an earlier download" >"$work/refused.dat"
download refused
expect_failed refused 'Download Error' 'An error occurred during the download'

# Garbled lines in the image: the decode fails rather than storing shifted settings.
sample_sim --garbage-lines 1000
echo "an earlier download" >"$work/garbled.dat"
download garbled
expect_failed garbled 'ERAM Decode Error' 'An error occurred while decoding the download'

# A controller of firmware 6046 (valid, but not the 70xx this Kelp is for): the load's
# firmware question stops the download with exit 3 and a last line that says what was not
# written and why; --accept-firmware goes on, as it does for check.
start_sim --delay 0 --version 6046 --dat "$sample"
echo "an earlier download" >"$work/older.dat"
download older
[ "$(status_of older)" = 3 ] || fail "older: exit $(status_of older), expected 3"
[ "$(cat "$work/older.dat")" = "an earlier download" ] || fail "older: older.dat was changed"
tail -n 1 "$work/older.err" | grep -q "older.dat was not written: the controller's firmware version 6046 .*--accept-firmware" ||
    fail "older: the last line does not say why: $(tail -n 1 "$work/older.err")"
download older --accept-firmware
[ "$(status_of older)" = 0 ] || fail "older, accepted: exit $(status_of older): $(tail -c 400 "$work/older.err")"
[ "$(value_of older FirmwareVersion)" = 6046 ] || fail "older, accepted: FirmwareVersion '$(value_of older FirmwareVersion)'"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "cli_download: all checks passed"
