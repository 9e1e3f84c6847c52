#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The machine states that the alert rules are tested on, each a demo image
# booted (its boot unit's record made) and then changed with the built tool,
# and its metrics made with a baseline, as the metrics unit makes them:
#   healthy   nothing wrong
#   poke      a setting's byte poked, the checksum repaired by a token write,
#             and booted with: the next boot's value drifts from the baseline
#   checksum  a byte of bank 72's checksum range poked: its checksum is
#             invalid now
#   pending   a change that waits for the next boot (the baseline has it)
#   verify    a change overwritten by a raw token write before the reboot:
#             the boot did not take it
# Each leaves OUT/NAME.prom.
#
# usage: make-scenarios.sh CMOSCFG MKIMAGE SOURCE_DIR OUT
set -euo pipefail

tool=$1 mkimage=$2 source=$3 out=$4
# shellcheck source=tests/prometheus/demo-image.sh
. "$(dirname "$0")/demo-image.sh"

boot() {
    reboot_image "$tool" "$1"
}

# A fresh demo image of the scenario, booted once.
begin() {
    name=$1
    demo_image "$tool" "$mkimage" "$source" "$out/$name.image"
}

# What the fleet wants of the machine: its settings as they are now.
take_baseline() {
    "$tool" setting save >"$out/$name.baseline"
}

finish() {
    "$tool" setting metrics --baseline "$out/$name.baseline" --output "$out/$name.prom"
}

# One CMOS byte with the bits of a mask (hexadecimal) flipped.
flip() {
    local byte
    byte=$("$tool" peek "$1" "$2" 0)
    "$tool" poke "$1" "$2" "$(printf '%x' $((0x$byte ^ 0x$3)))" >/dev/null
}

(
    begin healthy
    take_baseline
    finish
)
(
    begin poke
    take_baseline
    flip 70 45 01               # Turbo Mode's bit
    "$tool" set 0010 >/dev/null # Virtualization, as it is: the bank's checksum summed again
    boot boot-2
    finish
)
(
    begin checksum
    flip 72 f0 ff               # in the bank's checksum range, of no token
    take_baseline
    finish
)
(
    begin pending
    "$tool" setting set "Turbo Mode" Disabled
    take_baseline
    finish
)
(
    begin verify
    "$tool" setting set "Turbo Mode" Disabled
    "$tool" set 0016 >/dev/null # Turbo Mode's Enabled token, by number
    boot boot-2
    take_baseline
    finish
)
