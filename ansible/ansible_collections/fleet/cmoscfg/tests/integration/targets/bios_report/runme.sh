#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The drift report of three machine images, two of which differ from the
# demo machine in one and two settings since their boot, and of a host that
# cannot report: first against each setting's most common value, then
# against a saved file; a baseline file with a value its setting lacks is
# refused. Usage: runme.sh [DIR], DIR to keep the report in.
set -eu
# The tool's whereabouts come from here and from the play, never from the caller.
unset DEBUG CMOSCFG_IMAGE CMOSCFG_PLATFORM CMOSCFG_SETTINGS CMOSCFG_SETTINGS_PATH CMOSCFG_UPDATE_METHOD
source=$(cd ../../../../../../../.. && pwd)
[ -f "$source/examples/demo-k2a07.machine" ] || { echo "runme.sh: not in the cmoscfg source tree: $source" >&2; exit 1; }
tool=$(command -v cmoscfg) || { echo "runme.sh: cmoscfg not found on PATH" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for host in h1 h2 h3 h4; do
    mkdir "$work/$host"
    cmoscfg-mkimage "$source/examples/demo-k2a07.machine" "$work/$host/image" >/dev/null
    echo boot-1 > "$work/$host/image/boot_id"
done
on() {
    local host=$1
    shift
    CMOSCFG_IMAGE="$work/$host/image" CMOSCFG_PLATFORM=K2A07 CMOSCFG_SETTINGS="$source/examples/bios_settings.k2a07" \
        "$tool" "$@"
}
for host in h1 h2 h3; do
    on $host boot-record --at-boot >/dev/null
done
on h2 setting set 'Turbo Mode' Disabled
on h3 setting set 'Fan Speed' High
on h3 setting set 'Boot Delay' 10s
# bios_settings_info that reads the tool's status says which hosts wait for
# a reboot; one that does not leaves the page saying "unknown".
if timeout 60 ansible-doc fleet.cmoscfg.bios_settings_info | grep -q pending_reboot; then
    pending=(--pending h2 h3)
else
    pending=(--pending-unknown)
fi

timeout 300 ansible-playbook -i inventory.yml report.yml -e "work=$work" -e "source=$source" -e "tool=$tool"
python3 check_report.py "$work/report" h1 h2 h3 --failed h4 "${pending[@]}" \
    --drift 'h2:Turbo Mode' 'h3:Fan Speed' 'h3:Boot Delay'
# The same fleet against a saved file as the baseline: h2's settings.
on h2 setting save >"$work/h2.settings"
timeout 300 ansible-playbook -i inventory.yml report.yml -e "work=$work" -e "source=$source" -e "tool=$tool" \
    -e "bios_report_baseline=$work/h2.settings" -e "bios_report_dir=$work/report-h2"
python3 check_report.py "$work/report-h2" h1 h2 h3 --failed h4 "${pending[@]}" --baseline-file "$work/h2.settings" \
    --drift 'h1:Turbo Mode' 'h3:Turbo Mode' 'h3:Fan Speed' 'h3:Boot Delay'
# A misspelt value in the baseline file fails the role, naming its line.
sed 's/^Fan Speed  *: .*/Fan Speed : Hgh/' "$work/h2.settings" > "$work/misspelt.settings"
line=$(grep -n '^Fan Speed : Hgh$' "$work/misspelt.settings" | cut -d: -f1)
if timeout 300 ansible-playbook -i inventory.yml report.yml -e "work=$work" -e "source=$source" -e "tool=$tool" \
    -e "bios_report_baseline=$work/misspelt.settings" -e "bios_report_dir=$work/report-misspelt" >"$work/out" 2>&1; then
    cat "$work/out"; echo "runme.sh: a baseline with a value its setting lacks was taken" >&2; exit 1
fi
grep -qF "The baseline file cannot be read: $work/misspelt.settings line $line: Fan Speed: Hgh is not one of its values: Auto, Low, Medium, High, Full" "$work/out" ||
    { cat "$work/out"; echo "runme.sh: the refusal does not name the line" >&2; exit 1; }
[ ! -e "$work/report-misspelt" ] || { echo "runme.sh: a report was written against the misspelt baseline" >&2; exit 1; }
if [ $# -gt 0 ]; then
    cp "$work"/report/* "$1"
fi
