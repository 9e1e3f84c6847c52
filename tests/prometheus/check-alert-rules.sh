#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The alert rules (prometheus/cmoscfg-alerts.yml) on the metrics of the
# machine states of make-scenarios.sh, by `promtool test rules`: each alert
# fires in its own scenario and in no other, none fires on a healthy machine,
# and the pending reboot waits for its `for:` before it fires.
#
# usage: check-alert-rules.sh CMOSCFG MKIMAGE SOURCE_DIR
set -uo pipefail

tool=$1 mkimage=$2 source=$3
here=$(cd "$(dirname "$0")" && pwd)
command -v promtool >/dev/null || { echo "SKIP: promtool not found (package prometheus)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    printf 'FAIL: %s\n' "$*"
    exit 1
}

timeout 60 "$here/make-scenarios.sh" "$tool" "$mkimage" "$source" "$work" || fail "the scenarios could not be made"

# Each series holds a day and an hour of samples a minute apart, longer
# than the longest `for:`.
samples=1500
scenarios="healthy poke checksum pending verify"
alerts="CmoscfgSettingsDrift CmoscfgRebootPending CmoscfgBankChecksumInvalid CmoscfgVerifyFailed"

# The alert a scenario should fire, as promtool expects it.
expected_alert() {
    local scenario=$1 alert=$2
    case $scenario:$alert in
    poke:CmoscfgSettingsDrift)
        printf '%s\n' "          - exp_labels: {severity: warning, instance: $scenario, job: node}" \
            "            exp_annotations:" \
            "              summary: '$scenario: 1 BIOS settings differ from the baseline'" \
            "              description: 'cmoscfg_setting_drift == 1 names them.'" ;;
    pending:CmoscfgRebootPending)
        printf '%s\n' "          - exp_labels: {severity: info, instance: $scenario, job: node}" \
            "            exp_annotations:" \
            "              summary: '$scenario: BIOS settings have waited more than a day for a reboot'" \
            "              description: 'cmoscfg setting status shows what the next boot reads.'" ;;
    checksum:CmoscfgBankChecksumInvalid)
        printf '%s\n' "          - exp_labels: {severity: critical, instance: $scenario, job: node, port: '72', when: now}" \
            "            exp_annotations:" \
            "              summary: '$scenario: the checksum of CMOS bank 72 is invalid'" \
            "              description: 'The next boot resets the bank''s settings to their defaults.'" ;;
    verify:CmoscfgVerifyFailed)
        printf '%s\n' "          - exp_labels: {severity: warning, instance: $scenario, job: node}" \
            "            exp_annotations:" \
            "              summary: '$scenario: BIOS setting changes did not take at the last boot'" \
            "              description: 'cmoscfg setting verify tells what became of each change.'" ;;
    *) return 1 ;;
    esac
}

tests=$work/tests.yml
{
    printf 'rule_files:\n  - %s\nevaluation_interval: 1m\ntests:\n' "$source/prometheus/cmoscfg-alerts.yml"
    for scenario in $scenarios; do
        [ -s "$work/$scenario.prom" ] || fail "no metrics of scenario $scenario"
        printf '  - name: %s\n    interval: 1m\n    input_series:\n' "$scenario"
        awk -v instance="$scenario" -v samples=$samples -f "$here/input-series.awk" "$work/$scenario.prom"
        printf '    alert_rule_test:\n'
        for alert in $alerts; do
            printf '      - eval_time: 25h\n        alertname: %s\n        exp_alerts:\n' "$alert"
            expected_alert "$scenario" "$alert" || printf '          []\n'
        done
        if [ "$scenario" = pending ]; then
            # Not yet: a change may wait a day for its reboot.
            printf '      - eval_time: 23h\n        alertname: CmoscfgRebootPending\n        exp_alerts: []\n'
        fi
    done
} >"$tests"

report=$(cd "$work" && timeout 60 promtool test rules "$tests" 2>&1)
status=$?
[ "$status" = 0 ] || fail "promtool test rules (status $status): $report"
echo "alert rules: each alert fires in its own scenario alone ($scenarios)"
