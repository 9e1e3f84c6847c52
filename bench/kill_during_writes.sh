#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# How often a run that is killed in the middle of its writes leaves bank
# 0x70's checksum wrong. A `setting readfile` of many alternating requests
# (every one a token write) runs on a copy of the demo image and is sent a
# signal at a random moment; afterwards the word at 0x70:3e/3f must still be
# the byte sum of 0x40..0x7f, or the BIOS would reset every setting.
#
#   bench/kill_during_writes.sh TOOL MKIMAGE [RUNS]
#
# For both update methods and for SIGKILL and SIGTERM, prints how many of RUNS
# runs were killed before they ended and in how many of those the checksum was
# wrong. A benchmark, not a test: the figures depend on timing.
set -eu

tool=$1
mkimage=$2
runs=${3:-100}
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
            delay_us=$(((RANDOM * 32768 + RANDOM) % length_us))
            sleep "$(printf '%d.%06d' $((delay_us / 1000000)) $((delay_us % 1000000)))"
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
