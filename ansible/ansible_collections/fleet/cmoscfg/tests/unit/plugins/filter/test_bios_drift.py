# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# The drift matrix as CSV: settings in the order the hosts first name them,
# and every text cell a spreadsheet could run as a formula kept as text; the
# hosts grouped into configurations, each host's reboot and verification,
# and a baseline file read from the tool's verdicts.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import csv
import io

from ansible_collections.fleet.cmoscfg.plugins.filter.bios_drift import bios_baseline, bios_drift, bios_drift_csv

LINK = '=HYPERLINK("http://example.invalid","click")'


def test_the_csv_guards_every_cell_that_could_start_a_formula_and_keeps_the_order_of_names():
    drift = bios_drift([
        {'host': 'h1', 'current': {'Boot Delay': '-1', 'Note': LINK}},
        {'host': 'h2', 'error': 'unreachable'},
        {'host': 'h3', 'current': {'@Asset Tag': '@SUM(A1)', 'Boot Delay': '-1', 'Note': '\tplain'}},
        {'host': 'h4', 'current': {'Note': 'plain', '@Asset Tag': '@SUM(A1)', 'Boot Delay': '\r-1'}},
    ])
    # Read back as a spreadsheet would: a carriage return must be quoted to stay in its cell.
    rows = list(csv.reader(io.StringIO(bios_drift_csv(drift), newline='')))
    assert rows == [
        ['setting', 'baseline', 'h1', 'h3', 'h4', 'differing', 'baseline from'],
        ['Boot Delay', "'-1", "'-1", "'-1", "'\r-1", '1', 'most common'],
        # A tie: the baseline is the value of the first host.
        ['Note', "'" + LINK, "'" + LINK, "'\tplain", 'plain', '2', 'most common'],
        ["'@Asset Tag", "'@SUM(A1)", '', "'@SUM(A1)", "'@SUM(A1)", '1', 'most common'],
        ['differing', '', '1', '1', '2', '', ''],
    ]


def test_hosts_with_identical_settings_are_one_configuration_most_hosts_first():
    alike = {'Turbo Mode': 'Enabled', 'TPM Security': None}
    drift = bios_drift([
        {'host': 'h1', 'current': {'Turbo Mode': 'Disabled', 'TPM Security': None}, 'platform': 'K2A07'},
        {'host': 'h2', 'current': alike, 'platform': 'K2A07', 'pending_reboot': True,
         'verify': {'changed': False, 'all_applied': True}},
        {'host': 'h3', 'current': alike, 'platform': 'K2E07', 'pending_reboot': False,
         'verify': {'failed': True, 'msg': 'Turbo Mode: not_applied'}},
        {'host': 'h4', 'current': {'Turbo Mode': 'Enabled'}, 'verify': {'skipped': True}},
    ], {'TPM Security': 'On'})
    assert [(c['name'], c['hosts'], c['differing']) for c in drift['configurations']] == [
        ('C1', ['h2', 'h3', 'h4'], ['TPM Security']), ('C2', ['h1'], ['Turbo Mode', 'TPM Security'])]
    assert [(s['name'], s['baseline'], s['baseline_from']) for s in drift['settings']] == [
        ('Turbo Mode', 'Enabled', 'most common'), ('TPM Security', 'On', 'file')]
    status = drift['host_status']
    assert [(status[h]['configuration'], status[h]['pending_reboot'], status[h]['verified']) for h in drift['hosts']] == [
        ('C2', None, None), ('C1', True, True), ('C1', False, False), ('C1', None, None)]
    assert status['h3']['verify_msg'] == 'Turbo Mode: not_applied' and status['h3']['platform'] == 'K2E07'


def test_the_most_common_value_may_be_not_present():
    drift = bios_drift([{'host': h, 'current': {'TPM Security': value}} for h, value in
                        (('h1', None), ('h2', None), ('h3', 'On'))])
    assert drift['settings'][0]['baseline'] is None and drift['settings'][0]['differing'] == ['h3']


def test_a_baseline_file_line_that_names_no_setting_or_value_is_a_problem_with_its_line():
    check = {'lines': [
        {'line': 1, 'name': None, 'value': None, 'outcome': 'comment'},
        {'line': 2, 'name': 'Turbo Mode', 'value': 'Disabled', 'outcome': 'change'},
        {'line': 3, 'name': 'Fan Speed', 'value': 'Hgh', 'outcome': 'value_not_offered', 'offered': ['Auto', 'High']},
        {'line': 4, 'name': 'TPM Security', 'value': 'On', 'outcome': 'not_present'},
        {'line': 5, 'name': 'turbo mode', 'value': 'On', 'outcome': 'case_differs', 'similar_name': 'Turbo Mode'},
        {'line': 6, 'name': None, 'value': None, 'outcome': 'malformed', 'text': 'Boot Delay'},
        {'line': 7, 'name': 'Turbo Mode', 'value': 'Enabled', 'outcome': 'unchanged'},
    ]}
    assert bios_baseline(check, 'ref.settings') == {
        'values': {'Turbo Mode': 'Enabled', 'TPM Security': 'On'},
        'problems': ['ref.settings line 3: Fan Speed: Hgh is not one of its values: Auto, High',
                     'ref.settings line 5: turbo mode: no such setting; only the case differs from Turbo Mode',
                     'ref.settings line 6: not "name : value": Boot Delay']}
