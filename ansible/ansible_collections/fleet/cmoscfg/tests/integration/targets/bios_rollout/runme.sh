#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The roll-out role on four machine images (inventory.yml), rebooted by a
# stand-in (stand_in_reboot.py): a canary whose firmware does not take a
# change stops it with no later host written; a clean roll-out verifies
# every batch; a plan that fails on one host writes nothing anywhere. The
# report of each is checked. cmoscfg and cmoscfg-mkimage come from PATH.
set -eu
# The tool's whereabouts come from here and from the play, never from the caller.
unset DEBUG CMOSCFG_IMAGE CMOSCFG_PLATFORM CMOSCFG_SETTINGS CMOSCFG_SETTINGS_PATH CMOSCFG_UPDATE_METHOD
source=$(cd ../../../../../../../.. && pwd)
[ -f "$source/examples/demo-k2a07.machine" ] || { echo "runme.sh: not in the cmoscfg source tree: $source" >&2; exit 1; }
tool=$(command -v cmoscfg) || { echo "runme.sh: cmoscfg not found on PATH" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
hosts=(r1 r2 r3 r4)
sed 's/, 003a:High//' "$source/examples/bios_settings.k2a07" > "$work/bios_settings.without-high"

fail() { echo "runme.sh: $*" >&2; exit 1; }
on() {
    local host=$1
    shift
    CMOSCFG_IMAGE="$work/$host/image" CMOSCFG_PLATFORM=K2A07 CMOSCFG_SETTINGS="$source/examples/bios_settings.k2a07" "$tool" "$@"
}

fresh_images() {
    for host in "${hosts[@]}"; do
        rm -rf "${work:?}/$host"
        mkdir "$work/$host"
        cmoscfg-mkimage "$source/examples/demo-k2a07.machine" "$work/$host/image" >/dev/null
        echo boot-1 > "$work/$host/image/boot_id"
        on "$host" boot-record --at-boot >/dev/null
        cp "$work/$host/image/cmos" "$work/$host/cmos.before"
    done
}

# Runs the roll-out with these extra variables; its output goes to $work/out.
rollout() {
    local status=0
    timeout 300 ansible-playbook -i inventory.yml rollout.yml -e "work=$work" -e "source=$source" -e "tool=$tool" \
        "$@" >"$work/out" 2>&1 || status=$?
    cat "$work/out"
    return $status
}

# The hosts named were not written: CMOS as built, and no journal.
untouched() {
    for host; do
        cmp "$work/$host/cmos.before" "$work/$host/image/cmos" || fail "$host was written"
        [ ! -e "$work/$host/image/journal" ] || fail "$host has a journal"
    done
}

verify_outcomes() {
    on "$1" setting verify --json | python3 -c 'import json, sys; print(" ".join(
            "%s=%s" % (s["name"], s["outcome"]) for s in json.load(sys.stdin)["settings"]))'
}

# No host waits for a reboot in any report; an older bios_settings_info,
# which does not read the tool's status, leaves the page saying "unknown".
pending=()
if ! timeout 60 ansible-doc fleet.cmoscfg.bios_settings_info | grep -q pending_reboot; then
    pending=(--pending-unknown)
fi

# The canary's firmware keeps Turbo Mode Enabled: the roll-out stops after it.
fresh_images
if rollout -e '{"firmware_hosts": ["r1"]}'; then fail "the roll-out went on past a canary that did not take the change"; fi
grep -q 'stopped after batch 1 of 3: 1 of its 1 hosts failed, more than the 0% allowed, and no host of a later batch was written: r1: not verified after the reboot: 1 of 2 changes made before this boot did not take: Turbo Mode: not_applied' "$work/out" ||
    fail "no stop after the canary"
[ "$(verify_outcomes r1)" = "Turbo Mode=not_applied Fan Speed=applied" ] || fail "r1: $(verify_outcomes r1)"
untouched r2 r3 r4
python3 ../bios_report/check_report.py "$work/report" "${hosts[@]}" "${pending[@]}" --drift 'r1:Fan Speed' --not-verified r1

# Every batch takes the change.
fresh_images
rollout || fail "the clean roll-out failed"
for host in "${hosts[@]}"; do
    [ "$(verify_outcomes "$host")" = "Turbo Mode=applied Fan Speed=applied" ] || fail "$host: $(verify_outcomes "$host")"
done
python3 ../bios_report/check_report.py "$work/report" "${hosts[@]}" "${pending[@]}" --verified "${hosts[@]}"

# r3's settings file lacks Fan Speed High: its plan fails, and nothing is written anywhere.
fresh_images
if rollout -e refusing_host=r3; then fail "the roll-out went on with a host whose plan fails"; fi
grep -q 'nothing was written: the plan fails on 1 of 4 hosts: r3: nothing was written: Fan Speed: High is not one of its values' "$work/out" ||
    fail "no refusal of the plan"
untouched "${hosts[@]}"
python3 ../bios_report/check_report.py "$work/report" "${hosts[@]}" "${pending[@]}"
