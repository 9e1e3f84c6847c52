#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# What a run that is killed in the middle of its writes leaves behind.
#
# readfile: how often a `setting readfile` of many alternating requests
# (every one a token write), sent a signal at a random moment, leaves bank
# 0x70's checksum wrong: the word at 0x70:3e/3f must still be the byte sum
# of 0x40..0x7f, or the BIOS would reset every setting.
#
# apply: a `setting apply` of 26 changes in bank 0x70, killed with SIGKILL just before
# each of its writes and flushes in turn (the preloaded kill_at_event
# library), then at random moments with SIGKILL, SIGTERM and SIGINT, until
# RUNS runs; after each, one `setting status` (which rolls back an apply
# that did not finish). CMOS must then be the whole image before the apply
# or the whole image after it, with the checksum right.
#
#   bench/kill_during_writes.sh TOOL MKIMAGE KILL_AT_EVENT [RUNS] [readfile|apply|both]
#
# Prints, per update method, the runs and what they left. Exits 1 when an
# apply left a torn image or a wrong checksum. The readfile figures depend on
# timing; the apply figures must not.
set -eu

tool=$1
mkimage=$2
kill_at_event=$3
runs=${4:-100}
which=${5:-both}
requests=4000
source_dir=$(cd "$(dirname "$0")/.." && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$mkimage" "$source_dir/examples/demo-k2a07.machine" "$work/pristine" >/dev/null
for ((i = 0; i < requests / 2; i++)); do
    echo "Virtualization Technology : Disabled"
    echo "Virtualization Technology : Enabled"
done >"$work/requests"

export CMOSCFG_IMAGE="$work/image"
# A sanitized tool lets the preloaded library come before its runtime.
export ASAN_OPTIONS=verify_asan_link_order=0
export CMOSCFG_PLATFORM=K2A07
export CMOSCFG_SETTINGS="$source_dir/examples/bios_settings.k2a07"

fresh_image() {
    rm -rf "$work/image"
    cp -r "$work/pristine" "$work/image"
}

# The stored word and the computed sum, as the tool itself reads them.
checksum_holds() {
    local high low sum
    high=$("$tool" peek 70 3e 0)
    low=$("$tool" peek 70 3f 0)
    sum=$("$tool" checksum 0 70 40 7f)
    [ "$((16#$high * 256 + 16#$low))" -eq "$((16#$sum))" ]
}

# A random moment within a run of length_us microseconds, as sleep takes it.
random_moment() {
    local delay_us=$(((RANDOM * 32768 + RANDOM) % $1))
    printf '%d.%06d' $((delay_us / 1000000)) $((delay_us % 1000000))
}

readfile_bench() {
    # A run's length in microseconds, to spread the kills over it.
    fresh_image
    start=$(date +%s%N)
    "$tool" setting readfile "$work/requests" >/dev/null
    length_us=$((($(date +%s%N) - start) / 1000))
    checksum_holds || { echo "the checksum is wrong even without a kill" >&2; exit 1; }

    printf '%d requests, one run takes %d ms; %d runs per line\n\n' "$requests" "$((length_us / 1000))" "$runs"
    printf '%-14s %-8s %8s %8s\n' method signal killed wrong
    for method in arc_direct quor_standard; do
        for signal in KILL TERM; do
            killed=0
            wrong=0
            for ((run = 0; run < runs; run++)); do
                fresh_image
                CMOSCFG_UPDATE_METHOD=$method "$tool" setting readfile "$work/requests" >/dev/null &
                pid=$!
                sleep "$(random_moment "$length_us")"
                kill -s "$signal" "$pid" 2>/dev/null || true
                status=0
                wait "$pid" 2>/dev/null || status=$?
                [ "$status" -gt 128 ] || continue
                killed=$((killed + 1))
                checksum_holds || wrong=$((wrong + 1))
            done
            printf '%-14s %-8s %8d %8d\n' "$method" "$signal" "$killed" "$wrong"
        done
    done
}

apply_bench() {
    local method events before after length_us signal pid pwrites fsyncs
    local whole_before whole_after torn stale
    for ((i = 0; i < 26; i++)); do
        case $((i % 3)) in
        0) echo "Virtualization Technology : $([ $((i % 2)) -eq 0 ] && echo Disabled || echo Enabled)" ;;
        1) echo "Fan Speed : $([ $((i % 2)) -eq 0 ] && echo High || echo Low)" ;;
        2) echo "Power Profile : $([ $((i % 2)) -eq 0 ] && echo 'Power Saving' || echo 'Maximum Performance')" ;;
        esac
    done >"$work/apply-requests"
    before=$work/pristine/cmos
    after=$work/after
    fresh_apply_image() {
        cp "$before" "$work/image/cmos"
        rm -f "$work/image/journal" "$work/image/journal.old"
    }
    printf '\napply of 26 changes: %d runs per method, each killed then looked at once\n' "$runs"
    printf '%-14s %6s %8s %12s %12s %6s %6s\n' method events runs whole-before whole-after torn stale
    local failed=0
    for method in arc_direct quor_standard; do
        export CMOSCFG_UPDATE_METHOD=$method
        fresh_image
        start=$(date +%s%N)
        events=$(LD_PRELOAD=$kill_at_event CMOSCFG_TEST_COUNT_EVENTS=1 "$tool" setting apply "$work/apply-requests" 2>&1 >/dev/null |
            sed -n 's/^events: \([0-9]*\) pwrite, \([0-9]*\) fsync$/\1 \2/p')
        length_us=$((($(date +%s%N) - start) / 1000))
        cp "$work/image/cmos" "$after"
        read -r pwrites fsyncs <<<"$events"
        [ "$fsyncs" -eq 2 ] || { echo "an apply flushed $fsyncs times, not 2" >&2; exit 1; }
        events=$((pwrites + fsyncs))
        whole_before=0 whole_after=0 torn=0 stale=0
        for ((run = 0; run < runs; run++)); do
            fresh_apply_image
            if ((run < events)); then
                # The shell's word of the kill goes where the group's output goes.
                { LD_PRELOAD=$kill_at_event CMOSCFG_TEST_KILL_AT=$run "$tool" setting apply "$work/apply-requests"; } >/dev/null 2>&1 || true
            else
                signal=$(shuf -n1 -e KILL TERM INT)
                "$tool" setting apply "$work/apply-requests" >/dev/null 2>&1 &
                pid=$!
                sleep "$(random_moment "$length_us")"
                kill -s "$signal" "$pid" 2>/dev/null || true
                wait "$pid" 2>/dev/null || true
            fi
            "$tool" setting status >/dev/null 2>&1
            if cmp -s "$work/image/cmos" "$before"; then
                whole_before=$((whole_before + 1))
            elif cmp -s "$work/image/cmos" "$after"; then
                whole_after=$((whole_after + 1))
            else
                torn=$((torn + 1))
            fi
            checksum_holds || stale=$((stale + 1))
        done
        printf '%-14s %6d %8d %12d %12d %6d %6d\n' "$method" "$events" "$runs" "$whole_before" "$whole_after" "$torn" "$stale"
        [ "$torn" -eq 0 ] && [ "$stale" -eq 0 ] || failed=1
    done
    unset CMOSCFG_UPDATE_METHOD
    return "$failed"
}

case $which in
readfile) readfile_bench ;;
apply) apply_bench ;;
both) readfile_bench && apply_bench ;;
*) echo "usage: $0 TOOL MKIMAGE KILL_AT_EVENT [RUNS] [readfile|apply|both]" >&2; exit 2 ;;
esac
