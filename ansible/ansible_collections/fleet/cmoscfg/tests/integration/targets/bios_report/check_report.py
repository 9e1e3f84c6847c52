# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks a drift report: the page parses as HTML (every element closed, no
# script, nothing fetched), names every host, highlights exactly the drifting
# cells and lists the failed hosts; the JSON and CSV beside it say the same.
# Usage: check_report.py DIR HOST... --failed HOST... --drift HOST:SETTING...
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import argparse
import csv
import json
import os
import sys
from html.parser import HTMLParser

VOID = ('meta', 'br', 'img', 'link', 'hr', 'input')


class Page(HTMLParser):
    def __init__(self):
        HTMLParser.__init__(self)
        self.open, self.problems, self.headers, self.rows, self.failed = [], [], [], [], []
        self.cell = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == 'script' or any(value and '://' in value for name, value in attrs.items() if name in ('src', 'href')):
            self.problems.append('<%s> fetches or runs something' % tag)
        if tag in VOID:
            return
        self.open.append(tag)
        if tag == 'tr':
            self.rows.append([])
        if tag in ('th', 'td', 'li'):
            self.cell = [tag, attrs.get('class', ''), '']

    def handle_endtag(self, tag):
        if not self.open or self.open[-1] != tag:
            self.problems.append('</%s> closes %s' % (tag, self.open[-1:] or 'nothing'))
            return
        self.open.pop()
        if tag in ('th', 'td') and self.cell:
            self.rows[-1].append(self.cell)
        if tag == 'li' and self.cell:
            self.failed.append(self.cell[2])
        if tag in ('th', 'td', 'li'):
            self.cell = None

    def handle_data(self, data):
        if self.cell:
            self.cell[2] += data


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('dir')
    parser.add_argument('hosts', nargs='+')
    parser.add_argument('--failed', nargs='*', default=[])
    parser.add_argument('--drift', nargs='*', default=[])
    args = parser.parse_args()
    page = Page()
    with open(os.path.join(args.dir, 'bios-report.html')) as html:
        page.feed(html.read())
    page.close()
    problems = page.problems + (['unclosed: %s' % page.open] if page.open else [])
    header = [cell[2] for cell in page.rows[0]]
    if header[2:-1] != args.hosts:
        problems.append('host columns %s, not %s' % (header[2:-1], args.hosts))
    highlighted = set()
    for row in page.rows[1:-1]:
        for host, cell in zip(header[2:-1], row[2:-1]):
            if cell[1] == 'drift':
                highlighted.add('%s:%s' % (host, row[0][2]))
    if highlighted != set(args.drift):
        problems.append('highlighted %s, not %s' % (sorted(highlighted), sorted(args.drift)))
    if sorted(item.split(':')[0] for item in page.failed) != sorted(args.failed):
        problems.append('failed hosts listed: %s' % page.failed)
    with open(os.path.join(args.dir, 'bios-report.json')) as document:
        drift = json.load(document)
    in_json = set('%s:%s' % (host, setting['name']) for setting in drift['settings'] for host in setting['differing'])
    if in_json != set(args.drift) or [failure['host'] for failure in drift['failed']] != args.failed:
        problems.append('the JSON differs: %s' % sorted(in_json))
    with open(os.path.join(args.dir, 'bios-report.csv')) as table:
        rows = list(csv.reader(table))
    if rows[0] != ['setting', 'baseline'] + args.hosts + ['differing'] or len(rows) != len(page.rows):
        problems.append('the CSV differs: %s' % rows[0])
    for problem in problems:
        print('check_report.py: ' + problem)
    sys.exit(1 if problems else 0)


if __name__ == '__main__':
    main()
