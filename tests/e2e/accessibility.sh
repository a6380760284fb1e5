#!/usr/bin/env bash
# Kelp as a screen reader finds it: the program under Xvfb with the accessibility bus, every
# tab, sub-tab and secondary window read through AT-SPI (lib/a11y_walk.py), and a Tab walk of
# one page. The controller simulator on Com1 lets the Update and Compare windows open.
# Usage: accessibility.sh <path-to-kelp-cli> <e2e-dir>   (KELP_BUILD_DIR names the build folder)
set -u

cli=$1 e2e=$2
kelp=${KELP_BUILD_DIR:?KELP_BUILD_DIR names the build folder}/gui/kelp
source "$e2e/lib/simulator.bash"
# The system's Python, where python3-pyatspi is installed (not a Python of the user's own).
for need in "$kelp" /usr/bin/xvfb-run /usr/bin/dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    [ -x "$need" ] || { echo "FAIL: $need is missing (make deps, make build)" >&2; exit 1; }
done
/usr/bin/python3 -c 'import pyatspi' || { echo "FAIL: no python3-pyatspi (make deps)" >&2; exit 1; }

start_sim --delay 0 --dat "$e2e/../../examples/sample.dat"
printf '[Main]\nComPort=1\nComDevice(1)=%s\n' "$device" >"$KELP_HOME/kelp.ini"
export XDG_RUNTIME_DIR=$work/run HOME=$work
mkdir -m 700 "$XDG_RUNTIME_DIR"
cp "$e2e/../../examples/sample.dat" "$work/sample.dat"
# Two snapshots of the controller, so that the History window opens.
mkdir -p "$KELP_HOME/history/sample"
for stamp in 20250101_120000 20250102_120000; do
    cp "$work/sample.dat" "$KELP_HOME/history/sample/$stamp.dat"
done
unset QT_QPA_PLATFORM

# A display number of its own: other test runs on the machine start their servers at :99.
# -noreset: the accessibility bus launcher connects to the display, marks the root window and
# leaves; without it the server resets when that last client goes, and kelp, connecting in
# that moment, is turned away ("could not connect to display") and aborts. That race lost
# about half the runs on a busy machine.
xvfb-run -a -n $((200 + RANDOM % 600)) -s '-screen 0 1280x1024x24 -noreset' \
    dbus-run-session -- /usr/bin/python3 "$e2e/lib/a11y_walk.py" "$kelp" "$work/sample.dat"
