#!/usr/bin/env bash
# Kelp as a screen reader finds it: the program under Xvfb with the accessibility bus, every
# tab, sub-tab and secondary window read through AT-SPI (lib/a11y_walk.py), and a Tab walk of
# one page. Prints how many controls were checked and how many failed.
# Usage: accessibility.sh <path-to-kelp-cli> <e2e-dir>
set -u

e2e=${2:-$(dirname "$0")}
kelp=${KELP_BUILD_DIR:?KELP_BUILD_DIR names the build folder}/gui/kelp
[ -x "$kelp" ] || { echo "FAIL: $kelp was not built" >&2; exit 1; }
for tool in xvfb-run dbus-run-session; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (make deps)" >&2; exit 1; }
done
# The system's Python, where python3-pyatspi is installed (not a Python of the user's own).
py=/usr/bin/python3
"$py" -c 'import pyatspi' 2>/dev/null ||
    { echo "FAIL: python3-pyatspi is not installed (make deps)" >&2; exit 1; }
[ -x /usr/libexec/at-spi-bus-launcher ] ||
    { echo "FAIL: at-spi2-core is not installed (make deps)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KELP_HOME=$work/home XDG_RUNTIME_DIR=$work/run HOME=$work
mkdir -p "$KELP_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cp "$e2e/../../examples/sample.dat" "$work/sample.dat"
unset QT_QPA_PLATFORM

# A display number of its own: other test runs on the machine start their servers at :99.
xvfb-run -a -n $((200 + RANDOM % 600)) -s '-screen 0 1280x1024x24' \
    dbus-run-session -- "$py" "$e2e/lib/a11y_walk.py" "$kelp" "$work/sample.dat"
