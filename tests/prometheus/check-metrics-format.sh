#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# `promtool check metrics` finds nothing to say about the metrics of the demo
# image (booted, a change pending, with a baseline), nor about those of a
# settings file whose setting names hold quotes, a backslash and a Latin-1
# byte, in a file whose path holds a quote and a newline.
#
# usage: check-metrics-format.sh CMOSCFG MKIMAGE SOURCE_DIR
set -uo pipefail

tool=$1 mkimage=$2 source=$3
command -v promtool >/dev/null || { echo "SKIP: promtool not found (package prometheus)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    printf 'FAIL: %s\n' "$*"
    exit 1
}

# shellcheck source=tests/prometheus/demo-image.sh
. "$(dirname "$0")/demo-image.sh"
demo_image "$tool" "$mkimage" "$source" "$work/image" || fail "the demo image could not be made"
"$tool" setting save >"$work/baseline" || fail "setting save"
"$tool" setting set "Turbo Mode" Disabled || fail "setting set"

# lint FILE WHAT: promtool's parser and its linter, silent.
lint() {
    local report status
    report=$(timeout 30 promtool check metrics <"$1" 2>&1)
    status=$?
    if [ "$status" != 0 ] || [ -n "$report" ]; then
        fail "promtool check metrics on $2 (status $status): $report"
    fi
}

"$tool" setting metrics --baseline "$work/baseline" >"$work/demo.prom" || fail "setting metrics on the demo image"
lint "$work/demo.prom" "the demo image"

hostile=$work/$'bios "hostile"\nsettings.k2a07'
sed -e 's/^Turbo Mode,/Turbo "Mode" \\ 2,/' -e $'s/^Fan Speed,/Fan Sp\xe9ed,/' \
    "$source/examples/bios_settings.k2a07" >"$hostile"
CMOSCFG_SETTINGS=$hostile "$tool" setting metrics >"$work/hostile.prom" || fail "setting metrics with hostile names"
grep -qF 'setting="Turbo \"Mode\" \\ 2"' "$work/hostile.prom" || fail "no hostile setting name in the metrics"
lint "$work/hostile.prom" "hostile names"
echo "metrics format: promtool finds the demo image's and hostile names' metrics clean"
