# SPDX-License-Identifier: GPL-2.0-or-later
"""Checks the report of the Ansible test's play: every guest reported, none
failed, and each shows the values that the play set (the JSON beside the
page; the page names every guest too).

Usage: check-report.py REPORT_DIR HOST...
"""
import json
import os
import sys

CHANGED = {'Power_Profile': 'Saving', 'Watchdog': 'On'}


def main():
    report_dir, hosts = sys.argv[1], sys.argv[2:]
    problems = []
    try:
        with open(os.path.join(report_dir, 'bios-report.json')) as document:
            drift = json.load(document)
        with open(os.path.join(report_dir, 'bios-report.html')) as page:
            html = page.read()
    except (OSError, ValueError) as error:
        print('check-report.py: no report: %s' % error)
        return 1
    if drift['hosts'] != hosts:
        problems.append('hosts %s, not %s' % (drift['hosts'], hosts))
    if drift['failed']:
        problems.append('failed: %s' % drift['failed'])
    values = dict((setting['name'], setting['values']) for setting in drift['settings'])
    for name, value in CHANGED.items():
        for host in hosts:
            if values.get(name, {}).get(host) != value:
                problems.append('%s of %s is %s, not %s' % (name, host, values.get(name, {}).get(host), value))
    problems += ['the page does not name %s' % host for host in hosts if '>%s<' % host not in html]
    for problem in problems:
        print('check-report.py: ' + problem)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
