#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The drift report of three machine images, two of which differ from the
# demo machine in one and two settings, and of a host that cannot report:
# first against each setting's most common value, then against a saved file.
# Usage: runme.sh [DIR], DIR to keep the report in.
set -eu
source=$(cd ../../../../../../../.. && pwd)
[ -f "$source/examples/demo-k2a07.machine" ] || { echo "runme.sh: not in the cmoscfg source tree: $source" >&2; exit 1; }
tool=$(command -v cmoscfg) || { echo "runme.sh: cmoscfg not found on PATH" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for host in h1 h2 h3 h4; do
    mkdir "$work/$host"
    cmoscfg-mkimage "$source/examples/demo-k2a07.machine" "$work/$host/image" >/dev/null
done
drift() {
    CMOSCFG_IMAGE="$work/$1/image" CMOSCFG_PLATFORM=K2A07 CMOSCFG_SETTINGS="$source/examples/bios_settings.k2a07" \
        "$tool" setting set "$2" "$3"
}
drift h2 'Turbo Mode' Disabled
drift h3 'Fan Speed' High
drift h3 'Boot Delay' 10s

timeout 300 ansible-playbook -i inventory.yml report.yml -e "work=$work" -e "source=$source" -e "tool=$tool"
python3 check_report.py "$work/report" h1 h2 h3 --failed h4 \
    --drift 'h2:Turbo Mode' 'h3:Fan Speed' 'h3:Boot Delay'
# The same fleet against a saved file as the baseline: h2's settings.
CMOSCFG_IMAGE="$work/h2/image" CMOSCFG_PLATFORM=K2A07 CMOSCFG_SETTINGS="$source/examples/bios_settings.k2a07" \
    "$tool" setting save >"$work/h2.settings"
timeout 300 ansible-playbook -i inventory.yml report.yml -e "work=$work" -e "source=$source" -e "tool=$tool" \
    -e "bios_report_baseline=$work/h2.settings" -e "bios_report_dir=$work/report-h2"
python3 check_report.py "$work/report-h2" h1 h2 h3 --failed h4 \
    --drift 'h1:Turbo Mode' 'h3:Turbo Mode' 'h3:Fan Speed' 'h3:Boot Delay'
if [ $# -gt 0 ]; then
    cp "$work"/report/* "$1"
fi
