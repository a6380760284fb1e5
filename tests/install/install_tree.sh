#!/usr/bin/env bash
# An install of the built tree into a temporary DESTDIR, as the Debian package is made: exactly
# the expected files, each accepted by its desktop's own validator, man pages that render
# without a warning and name every command and option the programs have, the versions in step,
# no path back into the source or build tree, and the bash completion answering as it should.
# It installs from the existing build; it never builds.
# Usage: install_tree.sh <build-dir> <source-dir> <project-version>
set -u

build=${1:?usage: install_tree.sh <build-dir> <source-dir> <project-version>}
source=${2:?usage: install_tree.sh <build-dir> <source-dir> <project-version>}
version=${3:?usage: install_tree.sh <build-dir> <source-dir> <project-version>}
build=$(cd "$build" && pwd -P)
source=$(cd "$source" && pwd -P)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Every checker must be there: a missing one is a failure, never a skipped check.
for tool in desktop-file-validate appstreamcli man gzip readelf systemd-analyze; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (make deps installs it)"
done
[ "$failures" -eq 0 ] || exit 1

if ! DESTDIR=$root cmake --install "$build" --prefix /usr --strip >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install failed" >&2
    exit 1
fi

# --- the file list --------------------------------------------------------------------------
app=example.zandrel.Kelp
{
    printf '%s\n' usr/bin/kelp usr/bin/kelp-cli usr/bin/qz740-sim \
        "usr/share/applications/$app.desktop" \
        usr/share/bash-completion/completions/kelp-cli \
        usr/share/doc/kelp/README.md usr/share/doc/kelp/decisions.md \
        usr/share/doc/kelp/examples/kelp-watch.rules.yml \
        "usr/share/icons/hicolor/scalable/apps/$app.svg" \
        usr/share/man/man1/kelp.1.gz usr/share/man/man1/kelp-cli.1.gz \
        usr/share/man/man1/qz740-sim.1.gz \
        "usr/share/metainfo/$app.metainfo.xml" \
        "usr/lib/systemd/user/kelp-watch@.service" "usr/lib/systemd/user/kelp-watch@.timer"
    for size in 16 22 24 32 48 64 128 256; do
        echo "usr/share/icons/hicolor/${size}x$size/apps/$app.png"
    done
} | sort >"$work/expected"
(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/installed"
if ! diff -u "$work/expected" "$work/installed" >"$work/list.diff"; then
    fail "the installed files differ from the expected list (- missing, + extra):"
    cat "$work/list.diff" >&2
fi

for program in kelp kelp-cli qz740-sim; do
    [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is not executable"
done
for size in 16 22 24 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x$size/apps/$app.png
    # IHDR width and height, 32-bit big-endian, at bytes 16-23.
    read -r -a b <<<"$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null)"
    dims=$(((b[0] << 24 | b[1] << 16 | b[2] << 8 | b[3])))x$(((b[4] << 24 | b[5] << 16 | b[6] << 8 | b[7])))
    [ "$dims" = "${size}x$size" ] || fail "$app.png at ${size}x$size is $dims in size"
done

# --- validators -----------------------------------------------------------------------------
desktop=$root/usr/share/applications/$app.desktop
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate has remarks: $out"
grep -qx "Exec=kelp %f" "$desktop" || fail "the desktop entry does not start 'kelp %f'"
grep -qx "Icon=$app" "$desktop" || fail "the desktop entry's icon is not $app"

metainfo=$root/usr/share/metainfo/$app.metainfo.xml
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $app.desktop"

for page in kelp kelp-cli qz740-sim; do
    file=$root/usr/share/man/man1/$page.1.gz
    MANWIDTH=80 man --warnings -E UTF-8 -l "$file" >"$work/$page.txt" 2>"$work/$page.warnings" ||
        fail "man $page.1 failed"
    [ -s "$work/$page.warnings" ] && fail "man $page.1 warns: $(cat "$work/$page.warnings")"
    [ -s "$work/$page.txt" ] || fail "man $page.1 renders nothing"
    gzip -dc "$file" >"$work/$page.1"
done

# The watch's units as a user's service manager loads them: an instance of each, its
# ExecStart the installed kelp-cli (which verify checks is there and runs).
units=$root/usr/lib/systemd/user
grep -qx 'ExecStart=/usr/bin/kelp-cli watch --unit %i' "$units/kelp-watch@.service" ||
    fail "kelp-watch@.service does not run /usr/bin/kelp-cli: $(grep ExecStart "$units/kelp-watch@.service")"
mkdir -p "$work/units"
sed "s|=/usr/bin/kelp-cli|=$root/usr/bin/kelp-cli|" "$units/kelp-watch@.service" \
    >"$work/units/kelp-watch@site.service"
cp "$units/kelp-watch@.timer" "$work/units/kelp-watch@site.timer"
out=$(cd "$work/units" && XDG_RUNTIME_DIR=$work/units SYSTEMD_LOG_LEVEL=notice \
    systemd-analyze verify --user --man=no kelp-watch@site.service kelp-watch@site.timer 2>&1) ||
    fail "systemd-analyze verify: $out"
[ -z "$out" ] || fail "systemd-analyze verify has remarks: $out"

# --- versions in step -----------------------------------------------------------------------
IFS=. read -r major minor patch <<<"$version"
program_version=$major.$minor$patch  # as the programs print it: 7.0.0 is "7.00"
for program in kelp kelp-cli; do
    printed=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/$program" --version 2>&1)
    [ "$printed" = "$program_version" ] ||
        fail "$program --version prints '$printed', not '$program_version'"
done
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
for page in kelp kelp-cli qz740-sim; do
    grep -q "^\.TH .*\"Kelp $version\"" "$work/$page.1" || fail "$page.1 is not for Kelp $version"
done

# --- the man pages name every command and option --------------------------------------------
cli=$root/usr/bin/kelp-cli
sim=$root/usr/bin/qz740-sim
"$cli" --help >"$work/cli.help" || fail "kelp-cli --help failed"
commands=$(sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z0-9-]*\).*/\1/p' "$work/cli.help")
[ -n "$commands" ] || fail "kelp-cli --help lists no command"
for command in $commands; do
    # Each command is one entry under COMMANDS: ".TP" then a tag line starting with its name.
    grep -A1 '^\.TP' "$work/kelp-cli.1" | grep -q "^\\\\fB${command//-/\\\\-}\\\\fR" ||
        fail "kelp-cli.1 has no entry for the command '$command'"
    "$cli" "$command" --help >"$work/usage" 2>&1 || fail "kelp-cli $command --help failed"
    cat "$work/usage" >>"$work/cli.help"
done
for option in $(grep -o -- '--[a-z][a-z-]*' "$work/cli.help" | sort -u); do
    grep -qF -- "${option//-/\\-}" "$work/kelp-cli.1" || fail "kelp-cli.1 does not name $option"
done
for option in $("$sim" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -A1 '^\.TP' "$work/qz740-sim.1" | grep -qF "\\fB${option//-/\\-}\\fR" ||
        fail "qz740-sim.1 has no entry for $option"
done

# --- no path into the source or build tree --------------------------------------------------
for tree in "$build" "$source"; do
    hits=$(grep -rlF -- "$tree" "$root" 2>/dev/null)
    [ -z "$hits" ] || fail "installed files name $tree: $hits"
done
for program in kelp kelp-cli qz740-sim; do
    rpath=$(readelf -d "$root/usr/bin/$program" | grep -E 'RPATH|RUNPATH')
    [ -z "$rpath" ] || fail "$program carries a run path: $rpath"
done

# --- the installed programs run from the prefix ---------------------------------------------
export KELP_HOME=$work/home
"$cli" catalogue cw >"$work/cw" 2>"$work/cw.err" || fail "kelp-cli catalogue cw: $(cat "$work/cw.err")"
[ "$(wc -l <"$work/cw")" -gt 30 ] || fail "kelp-cli catalogue cw printed $(wc -l <"$work/cw") rows"

# --- bash completion ------------------------------------------------------------------------
# complete_case '<words>' '<expected replies, sorted, space separated>'; the last word is the
# one being completed (an empty one when the words end in a space).
mkdir -p "$work/files/dir"
touch "$work/files/a.dat" "$work/files/b.DAT" "$work/files/c.wav" "$work/files/d.mem" \
    "$work/files/e.txt" "$work/files/[--dtmf]" "$work/files/d"
complete_case() {
    local words=$1 expected=$2 got
    got=$(cd "$work/files" && bash -c '
        source "$1"
        read -ra COMP_WORDS <<<"$2"
        [[ $2 == *" " ]] && COMP_WORDS+=("")
        COMP_WORDS[0]=$3
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _kelp_cli
        printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " " | sed "s/ $//"' \
        _ "$root/usr/share/bash-completion/completions/kelp-cli" "$words" "$cli")
    [ "$got" = "$expected" ] || fail "completing '$words': expected '$expected', got '$got'"
}
all_commands=$(printf '%s\n' $commands --help --version | sort | tr '\n' ' ' | sed 's/ $//')
complete_case 'kelp-cli ' "$all_commands"
complete_case 'kelp-cli ch' 'check'
complete_case 'kelp-cli dt' 'dtmf-wav'
complete_case 'kelp-cli catalogue ' 'cw functions vocabulary'
complete_case 'kelp-cli catalogue cw ' ''
complete_case 'kelp-cli check ' 'a.dat dir'
complete_case 'kelp-cli check a.dat --rtc ' 'no yes'
complete_case 'kelp-cli check a.dat --write ' 'a.dat dir'
complete_case 'kelp-cli check a.dat --firmware ' ''
complete_case 'kelp-cli check a.dat --' '--accept-firmware --firmware --help --rtc --write'
complete_case 'kelp-cli render a.dat ' 'c.wav dir'
complete_case 'kelp-cli render a.dat --delay 80 ' 'c.wav dir'
complete_case 'kelp-cli decode ' 'd.mem dir'
complete_case 'kelp-cli decode m.mem --rtc ' 'd.mem dir'
complete_case 'kelp-cli download --rtc --ap --write ' 'a.dat dir'
complete_case 'kelp-cli dtmf-wav 123 ' 'c.wav dir'
complete_case 'kelp-cli upload --yes ' 'a.dat dir'
complete_case 'kelp-cli upload a.dat --since ' 'a.dat dir'
complete_case 'kelp-cli upload a.dat --port /dev/null --changes ' ''
complete_case 'kelp-cli send --port /dev/null 1*21999 ' ''
complete_case 'kelp-cli send --port /dev/nu' ''
complete_case 'kelp-cli upload a.dat --tls' '--tls-ca --tls-fingerprint'
complete_case 'kelp-cli send --port x --tls-ca c.' 'c.wav'
complete_case 'kelp-cli history ' 'a.dat dir'
complete_case 'kelp-cli sta' 'status'
complete_case 'kelp-cli watch a.dat --notify' '--notify --notify-every-run'
complete_case 'kelp-cli nonsense ' ''

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "install tree: all checks passed"
