# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# The fleet drift report: which hosts differ from a baseline, and where.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
name: bios_drift
short_description: The drift of BIOS settings across hosts
version_added: "1.1.0"
description:
  - Turns the C(current) values that M(fleet.cmoscfg.bios_settings_info) returned for each host into a matrix of
    settings by hosts, against a baseline, with the cells that differ from it and counts per setting and per host.
  - The baseline of a setting is the given value or, for a setting the given baseline does not name, the value most
    hosts have (the first such in host order on a tie); each setting says which (C(baseline_from)).
  - Hosts whose settings are all alike make one configuration, so that a large fleet reads as a few columns; the
    most common configuration is C1.
options:
  _input:
    description:
      - One entry per host, with C(host), and either C(current) or C(error); optionally C(platform),
        C(pending_reboot) (true, false, or null when unknown) and C(verify), the registered result of
        M(fleet.cmoscfg.bios_verify) when it ran on the host.
    type: list
    elements: dict
    required: true
  baseline:
    description: Baseline values by setting name.
    type: dict
    default: {}
author:
  - The cmoscfg developers (@cmoscfg)
'''

EXAMPLES = r'''
- name: The drift of the hosts' settings
  ansible.builtin.set_fact:
    drift: "{{ reports | fleet.cmoscfg.bios_drift }}"
'''

RETURN = r'''
_value:
  description:
    - C(hosts), C(failed) (host and error), C(settings) (name, baseline, C(baseline_from), the value of each host,
      the hosts that differ) and C(differing_per_host), as in 1.1.0.
    - C(configurations) (name, hosts, the value of each setting, the settings that differ) and C(host_status)
      (each host's platform, configuration, C(pending_reboot), C(verified) (true, false, or null when not checked)
      and C(verify_msg)).
  type: dict
'''

import csv
import io


def most_common(values):
    counts = {}
    for value in values:
        counts[value] = counts.get(value, 0) + 1
    # A value may be None (not present), so the first value seeds the search.
    best = values[0] if values else None
    for value in values:
        if counts[value] > counts[best]:
            best = value
    return best


def verification(result):
    """(verified, message) from the registered result of bios_verify: None when it did not run."""
    if not isinstance(result, dict) or not result or result.get('skipped'):
        return None, ''
    if result.get('failed') or result.get('unreachable'):
        return False, u'%s' % (result.get('msg') or 'bios_verify failed',)
    return True, ''


def configurations_of(reported, names, settings):
    """The hosts grouped by identical values, most hosts first (the first seen on a tie), named C1, C2..."""
    groups, order = {}, []
    for report in reported:
        key = tuple(report['current'].get(name) for name in names)
        if key not in groups:
            groups[key] = []
            order.append(key)
        groups[key].append(report['host'])
    order.sort(key=lambda key: -len(groups[key]))
    configurations = []
    for number, key in enumerate(order, 1):
        values = dict(zip(names, key))
        configurations.append({'name': 'C%d' % number, 'hosts': groups[key], 'values': values,
                               'differing': [setting['name'] for setting in settings
                                             if values[setting['name']] != setting['baseline']]})
    return configurations


def bios_drift(reports, baseline=None):
    baseline = baseline or {}
    reported = [report for report in reports if 'current' in report]
    hosts = [report['host'] for report in reported]
    failed = [{'host': report['host'], 'error': report.get('error') or 'no report'}
              for report in reports if 'current' not in report]
    # Every name any host reported, in the order first seen; the set keeps
    # this linear in the number of names, which runs to thousands per host.
    names, seen = [], set()
    for report in reported:
        for name in report['current']:
            if name not in seen:
                seen.add(name)
                names.append(name)
    settings = []
    differing_per_host = dict((host, 0) for host in hosts)
    for name in names:
        values = dict((report['host'], report['current'].get(name)) for report in reported)
        wanted = baseline[name] if name in baseline else most_common([values[host] for host in hosts])
        differing = [host for host in hosts if values[host] != wanted]
        for host in differing:
            differing_per_host[host] += 1
        settings.append({'name': name, 'baseline': wanted, 'baseline_from': 'file' if name in baseline else 'most common',
                         'values': values, 'differing': differing})
    configurations = configurations_of(reported, names, settings)
    configuration_of = dict((host, configuration['name']) for configuration in configurations
                            for host in configuration['hosts'])
    host_status = {}
    for report in reported:
        verified, verify_msg = verification(report.get('verify'))
        pending = report.get('pending_reboot')
        host_status[report['host']] = {
            'platform': report.get('platform'), 'configuration': configuration_of[report['host']],
            'pending_reboot': pending if isinstance(pending, bool) else None,
            'verified': verified, 'verify_msg': verify_msg}
    return {'hosts': hosts, 'failed': failed, 'settings': settings, 'differing_per_host': differing_per_host,
            'configurations': configurations, 'host_status': host_status}


# The outcomes of `setting check --json` that make a line no baseline: its
# name or value is not one the settings file knows, or it is no line at all.
# A line whose setting is not present on the host that judged it still says
# what the baseline is.
BASELINE_PROBLEMS = {
    'malformed': lambda line: 'not "name : value": %s' % line.get('text'),
    'unknown_name': lambda line: '%s: no such setting' % line['name'],
    'case_differs': lambda line: '%s: no such setting; only the case differs from %s' % (
        line['name'], line.get('similar_name')),
    'value_not_offered': lambda line: '%s: %s is not one of its values: %s' % (
        line['name'], line['value'], ', '.join(line.get('offered') or [])),
}


def bios_baseline(check, where):
    """The values of a baseline file by name (the last line that names a setting wins, as readfile leaves it) and
    the problems of its lines, from the `setting check --json` document of the file (named where)."""
    values, problems = {}, []
    for line in check.get('lines', []):
        outcome = line.get('outcome')
        if outcome == 'comment':
            continue
        if outcome in BASELINE_PROBLEMS:
            problems.append('%s line %s: %s' % (where, line.get('line'), BASELINE_PROBLEMS[outcome](line)))
        elif line.get('name') is not None:
            values[line['name']] = line.get('value')
    return {'values': values, 'problems': problems}


# What makes a spreadsheet read a cell as a formula (or, for tab and carriage
# return, can hide one). Names and values come from the hosts' settings files,
# so a cell such as =HYPERLINK(...) must stay text.
FORMULA_STARTS = ('=', '+', '-', '@', '\t', '\r')


def csv_cell(value):
    """A text cell that a spreadsheet shows as text: one that could start a formula gets a leading quote.

    Every such text is guarded alike, a plain value such as -1 too, so that a column reads the same way
    throughout; the JSON keeps the values as they are.
    """
    text = u'%s' % (value,) if value is not None else ''
    return "'" + text if text.startswith(FORMULA_STARTS) else text


def csv_row(out, cells):
    """Writes one row ending in a line feed.

    The csv module quotes a cell for the characters of its line terminator only, and a carriage return left
    bare inside a cell ends the row for some readers, whose next cell could then start a formula. So each
    row is written with CR LF, which quotes a cell holding either, and its end becomes a line feed.
    """
    line = io.StringIO()
    csv.writer(line, lineterminator='\r\n').writerow(cells)
    out.write(line.getvalue()[:-2] + '\n')


def bios_drift_csv(drift):
    """The matrix as CSV: a row per setting with its baseline, each host's value, the number that differ and
    where its baseline came from."""
    out = io.StringIO()
    hosts = drift['hosts']
    csv_row(out, ['setting', 'baseline'] + [csv_cell(host) for host in hosts] + ['differing', 'baseline from'])
    for setting in drift['settings']:
        csv_row(out, [csv_cell(setting['name']), csv_cell(setting['baseline'])]
                + [csv_cell(setting['values'][host]) for host in hosts] + [len(setting['differing']),
                                                                           setting['baseline_from']])
    csv_row(out, ['differing', ''] + [drift['differing_per_host'][host] for host in hosts] + ['', ''])
    return out.getvalue()


class FilterModule(object):
    def filters(self):
        return {'bios_drift': bios_drift, 'bios_drift_csv': bios_drift_csv, 'bios_baseline': bios_baseline}
