#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the libFuzzer targets in BUILD_DIR, configured with clang and
# CMOSCFG_FUZZ (make fuzz does so), and runs each for SECONDS (0: no limit),
# FUZZ_JOBS (default 2) at a time, then prints each target's executions,
# speed, coverage and result. Extra libFuzzer flags may be given
# in FUZZ_FLAGS (for example -runs=10000000). The corpus a run grows is kept in
# BUILD_DIR/fuzz-corpus; the checked-in seeds are never changed. Exits 1 when
# any target had a finding; its input is saved in BUILD_DIR/fuzz-results.
#
# Usage: run-fuzzers.sh BUILD_DIR SECONDS
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
build=$1
seconds=$2

if [ "${3:-}" = "--one" ]; then
    # One target (called through xargs below).
    target=$4
    mkdir -p "$build/fuzz-corpus/$target"
    status=0
    # shellcheck disable=SC2086
    "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/fuzz-results/$target-" ${FUZZ_FLAGS:-} \
        "$build/fuzz-corpus/$target" "$src/tests/fuzz/corpus/$target" \
        >"$build/fuzz-results/$target.log" 2>&1 || status=$?
    echo "$status" >"$build/fuzz-results/$target.status"
    exit 0
fi

targets=$(ls "$src/tests/fuzz/corpus")
# shellcheck disable=SC2046
cmake --build "$build" --target $(for t in $targets; do printf 'fuzz_%s ' "$t"; done)

rm -rf "$build/fuzz-results"
mkdir -p "$build/fuzz-results"
echo "Fuzzing every target for ${seconds}s, ${FUZZ_JOBS:-2} at a time"
printf '%s\n' $targets | xargs -P "${FUZZ_JOBS:-2}" -I{} "$0" "$build" "$seconds" --one {}

findings=0
printf '%-20s %14s %10s %10s  %s\n' target executions exec/s coverage result
for t in $targets; do
    log=$build/fuzz-results/$t.log
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    status=$(cat "$build/fuzz-results/$t.status")
    if [ "$status" = 0 ]; then
        result=ok
    elif [ "$status" = 72 ]; then
        result=interrupted    # libFuzzer's status after Ctrl-C
        findings=1
    else
        result="FINDING, see $log"
        findings=1
    fi
    printf '%-20s %14s %10s %10s  %s\n' "$t" "${runs:-?}" "${speed:-?}" "${cov:-?}" "$result"
done
for t in $targets; do
    if [ "$(cat "$build/fuzz-results/$t.status")" != 0 ]; then
        echo "--- $t:"
        grep -v -e '^#[0-9]' -e '^stat::' "$build/fuzz-results/$t.log" | tail -n 40
    fi
done
exit $findings
