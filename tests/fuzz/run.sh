#!/usr/bin/env bash
# Runs each libFuzzer program of a fuzz build in turn for the given seconds, from a corpus
# kept in the build folder and started from the target's seeds, and prints a line of figures
# per target. A crash, a failed check, a time-out (10 s on one input) or running out of memory
# stops the run with the reproducer saved as <build>/artifacts/<target>-...; keep it in
# tests/fuzz/regressions/<target>/ once mended.
# Usage: run.sh <fuzz-build-folder> <seconds> <target>...
set -u
build=${1:?usage: run.sh <fuzz-build-folder> <seconds> <target>...}
seconds=${2:?usage: run.sh <fuzz-build-folder> <seconds> <target>...}
shift 2
status=0
summary=""
mkdir -p "$build/artifacts"
for target in "$@"; do
    corpus=$build/corpus/$target
    mkdir -p "$corpus"
    log=$build/fuzz_$target.log
    # libFuzzer takes folders: the seeds (files, and folders of reproducers) join the corpus.
    while read -r seed; do
        [ -n "$seed" ] || continue
        if [ -d "$seed" ]; then cp -p "$seed"/* "$corpus"/ 2>/dev/null; else cp -p "$seed" "$corpus"/; fi
    done <"$build/tests/fuzz/seeds_$target.txt"
    echo "== fuzz_$target for ${seconds}s"
    "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        "$corpus" >"$log" 2>&1
    rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1)
    line="fuzz_$target: ${seconds}s, ${runs:-?} executions, ${rate:-?}/s, ${cov:-cov: ?}, ${ft:-ft: ?}"
    if [ $rc -ne 0 ]; then
        line="$line -- FAILED (exit $rc): $(grep -m1 'ERROR\|==ERROR\|deadly\|Test unit written' "$log")"
        tail -n 30 "$log"
        status=1
    fi
    echo "$line"
    summary+="$line"$'\n'
done
echo
echo "Fuzzing summary:"
printf '%s' "$summary"
exit $status
