# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks a drift report: the page parses as HTML (every element closed, no
# script, nothing fetched) and is dated; its configurations group exactly the
# hosts with identical settings, highlight exactly the drifting cells and show
# only the drifting settings outside <details>; its host table gives each
# host's pending reboot and verification; it lists the failed hosts; and the
# JSON and CSV beside it say the same.
# Usage: check_report.py DIR HOST... [--failed HOST...] [--drift HOST:SETTING...]
#   [--verified HOST...] [--not-verified HOST...] [--pending HOST... | --pending-unknown] [--baseline-file FILE]
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import argparse
import csv
import json
import os
import re
import sys
from html.parser import HTMLParser

VOID = ('meta', 'br', 'img', 'link', 'hr', 'input')


class Page(HTMLParser):
    """The rows of each table and the items of each list, by class; each cell with its class, text and names."""

    def __init__(self):
        HTMLParser.__init__(self)
        self.open, self.problems, self.tables, self.lists, self.text = [], [], {}, {}, ''
        self.table = self.list = self.cell = self.names = None
        self.details = 0
        self.outside_details = []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == 'script' or any(value and '://' in value for name, value in attrs.items() if name in ('src', 'href')):
            self.problems.append('<%s> fetches or runs something' % tag)
        if tag in VOID:
            return
        self.open.append(tag)
        if tag == 'details':
            self.details += 1
        if tag == 'table':
            self.table = self.tables.setdefault(attrs.get('class', ''), [])
            if not self.details:
                self.outside_details.append(attrs.get('class', ''))
        if tag == 'ul':
            self.list = self.lists.setdefault(attrs.get('class', ''), [])
        if tag == 'tr':
            self.table.append([])
        if tag in ('th', 'td', 'li'):
            self.cell = {'class': attrs.get('class', ''), 'text': '', 'names': ''}
        if tag == 'span' and attrs.get('class') == 'names':
            self.names = True

    def handle_endtag(self, tag):
        if not self.open or self.open[-1] != tag:
            self.problems.append('</%s> closes %s' % (tag, self.open[-1:] or 'nothing'))
            return
        self.open.pop()
        if tag == 'details':
            self.details -= 1
        if tag == 'span':
            self.names = None
        if tag in ('th', 'td') and self.cell:
            self.table[-1].append(self.cell)
        if tag == 'li' and self.cell:
            self.list.append(self.cell['text'])
        if tag in ('th', 'td', 'li'):
            self.cell = None

    def handle_data(self, data):
        self.text += data
        if self.cell:
            self.cell['text'] += data
            if self.names:
                self.cell['names'] += data


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('dir')
    parser.add_argument('hosts', nargs='+')
    for option in ('--failed', '--drift', '--verified', '--not-verified', '--pending'):
        parser.add_argument(option, nargs='*', default=[])
    parser.add_argument('--pending-unknown', action='store_true')
    parser.add_argument('--baseline-file')
    args = parser.parse_args()
    page = Page()
    with open(os.path.join(args.dir, 'bios-report.html')) as html:
        page.feed(html.read())
    page.close()
    with open(os.path.join(args.dir, 'bios-report.json')) as document:
        drift = json.load(document)
    problems = page.problems + (['unclosed: %s' % page.open] if page.open else [])
    made = re.search(r'Made (\d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC)\.', page.text)
    if not made or made.group(1) != drift.get('made'):
        problems.append('the page is dated %s, the JSON %s' % (made and made.group(1), drift.get('made')))

    # The configurations: every host in exactly one, and hosts alike exactly when their settings are.
    values = dict((host, tuple(setting['values'][host] for setting in drift['settings'])) for host in drift['hosts'])
    # The most common configurations are the columns of "matrix", the rest those of "matrix-rest".
    matrix = page.tables.get('matrix', [])
    highlighted, grouped = set(), []
    for table in (matrix, page.tables.get('matrix-rest', [])):
        if not table:
            continue
        names_row = [row for row in table if row[0]['text'] == 'Hosts'][0]
        columns = [cell['names'].split(', ') for cell in names_row[2:-1]]
        counts = [re.search(r'\((\d+)\)', cell['text']).group(1) for cell in table[0][2:-1]]
        if counts != [str(len(hosts)) for hosts in columns]:
            problems.append('configuration counts %s for hosts %s' % (counts, columns))
        for row in table[1:]:
            if row[0]['text'] in ('Differing settings', 'Hosts'):
                continue
            for hosts, cell in zip(columns, row[2:-1]):
                if cell['class'] == 'drift':
                    highlighted.update('%s:%s' % (host, row[0]['text']) for host in hosts)
        grouped += columns
    if not matrix and args.drift:
        problems.append('no matrix of the settings that differ')
    if grouped and sorted(sum(grouped, [])) != sorted(args.hosts):
        problems.append('the configurations hold %s' % grouped)
    for hosts in grouped:
        if len(set(values[host] for host in hosts)) != 1 or \
                any(values[host] == values[other[0]] for other in grouped if other is not hosts for host in hosts):
            problems.append('configuration %s is not the hosts with identical settings' % hosts)
    if highlighted != set(args.drift):
        problems.append('highlighted %s, not %s' % (sorted(highlighted), sorted(args.drift)))
    drifting = len([row for row in matrix[1:] if row[0]['text'] not in ('Differing settings', 'Hosts')])
    alike = len(page.tables.get('alike', [[]])) - 1
    if drifting + alike != len(drift['settings']) or page.outside_details != (['matrix'] if matrix else []):
        problems.append('%d drifting and %d other settings of %d, tables outside <details>: %s'
                        % (drifting, alike, len(drift['settings']), page.outside_details))
    if args.baseline_file:
        with open(args.baseline_file) as saved:
            from_file = set(line.split(':')[0].strip() for line in saved.read().splitlines()
                            if ':' in line and not line.startswith(('#', ';')))
        if set(setting['name'] for setting in drift['settings'] if setting['baseline_from'] == 'file') != from_file:
            problems.append('the baselines from the file are not its settings')
    baselines = [row[1]['text'] for table in ('matrix', 'alike') for row in page.tables.get(table, [])[1:]
                 if row[0]['text'] not in ('Differing settings', 'Hosts')]
    if sorted(text.endswith('(file)') for text in baselines) != sorted(
            setting['baseline_from'] == 'file' for setting in drift['settings']):
        problems.append('the page says where the baselines came from otherwise than the JSON')

    # Each host's row: its reboot and verification.
    rows = page.tables.get('hosts', [[]])[1:]
    if [row[0]['text'] for row in rows] != args.hosts:
        problems.append('host rows %s, not %s' % ([row[0]['text'] for row in rows], args.hosts))
    for row in rows:
        host = row[0]['text']
        verified = 'verified' if host in args.verified else 'not verified' if host in args.not_verified else 'not checked'
        pending = 'unknown' if args.pending_unknown else 'pending' if host in args.pending else 'no'
        if [row[4]['text'], row[5]['text']] != [pending, verified]:
            problems.append('%s: %s, not %s' % (host, [row[4]['text'], row[5]['text']], [pending, verified]))
    if sorted(item.split(':')[0] for item in page.lists.get('not-verified', [])) != sorted(args.not_verified):
        problems.append('not verified hosts listed: %s' % page.lists.get('not-verified'))
    if sorted(item.split(':')[0] for item in page.lists.get('failed', [])) != sorted(args.failed):
        problems.append('failed hosts listed: %s' % page.lists.get('failed'))

    in_json = set('%s:%s' % (host, setting['name']) for setting in drift['settings'] for host in setting['differing'])
    if in_json != set(args.drift) or [failure['host'] for failure in drift['failed']] != args.failed:
        problems.append('the JSON differs: %s' % sorted(in_json))
    with open(os.path.join(args.dir, 'bios-report.csv')) as table:
        rows = list(csv.reader(table))
    if rows[0] != ['setting', 'baseline'] + args.hosts + ['differing', 'baseline from'] \
            or len(rows) != len(drift['settings']) + 2:
        problems.append('the CSV differs: %s' % rows[0])
    for problem in problems:
        print('check_report.py: ' + problem)
    sys.exit(1 if problems else 0)


if __name__ == '__main__':
    main()
