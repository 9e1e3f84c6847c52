#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
# How the fleet drift report scales: 500 synthetic hosts by 100 settings go
# through the collection's bios_drift filter and the bios_report role's
# template (rendered by Ansible's own templating, as the role does), and the
# page's size, its render time in Python and its load-and-paint time in
# headless Chromium are measured, for a fleet that drifts a little and for
# one in which every host differs. Not a test: it only prints figures.
# Usage: report_scale.py [HOSTS [SETTINGS]]; needs ansible-core, and
# Debian's chromium for the browser figures (skipped, with the reason, without).
import gzip
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ANSIBLE_DIR = os.path.join(os.path.dirname(HERE), 'ansible')
ROLE = os.path.join(ANSIBLE_DIR, 'ansible_collections/fleet/cmoscfg/roles/bios_report')
TEMPLATE = os.path.join(ROLE, 'templates/bios-report.html.j2')
sys.path.insert(0, ANSIBLE_DIR)

try:
    from ansible.parsing.dataloader import DataLoader
    from ansible.template import Templar
    from ansible_collections.fleet.cmoscfg.plugins.filter.bios_drift import bios_drift, bios_drift_csv
except ImportError as error:
    print('SKIP: report_scale.py needs ansible-core: %s' % error)
    sys.exit(77)

CHOICES = [['Enabled', 'Disabled'], ['Auto', 'Low', 'Medium', 'High', 'Full'], ['Off', 'COM1', 'COM2'],
           ['none', '1s', '2s', '5s', '10s', '30s']]


def fleet(hosts, settings, every_host_differs):
    """Entries as the role makes them: a few hardware generations, a sprinkling of single drifts, some hosts
    that fail to report, some waiting for a reboot, some verified and a few not."""
    rng = random.Random(20260131)
    names = ['Setting %03d' % number for number in range(settings)]
    choices = dict((name, CHOICES[number % len(CHOICES)]) for number, name in enumerate(names))
    base = dict((name, choices[name][0]) for name in names)
    generations = [dict(base, **dict((name, choices[name][1]) for name in rng.sample(names, 4))) for dummy in range(3)]
    entries = []
    for number in range(hosts):
        host = 'node%03d.rack%02d.example.org' % (number, number // 40)
        if number % 100 == 99:
            entries.append({'host': host, 'error': 'Failed to connect to the host via ssh: Connection timed out'})
            continue
        current = dict(base if number % 5 else generations[number % 3])
        if every_host_differs:
            for name in rng.sample(names, 3):
                current[name] = rng.choice(choices[name])
            # The last setting stands for one that holds a text of the host's own, such as an asset tag.
            current[names[-1]] = 'tag-%03d' % number
        elif number % 20 == 7:
            name = rng.choice(names)
            current[name] = choices[name][-1]
        verify = None
        if number < 120:
            verify = {'changed': False, 'all_applied': True}
        if number in (3, 58):
            verify = {'failed': True, 'msg': '1 of 2 changes made before this boot did not take: Setting 001: '
                                             'not_applied (written Disabled, booted Enabled): the firmware booted '
                                             'another value'}
        entries.append({'host': host, 'current': current, 'platform': 'K2A07' if number % 3 else 'K2E07',
                        'pending_reboot': number % 25 == 0, 'verify': verify})
    return entries


def render(entries):
    started = time.perf_counter()
    drift = bios_drift(entries, {})
    filtered = time.perf_counter()
    # The role's defaults, as a play that sets nothing else has them.
    loader = DataLoader()
    variables = loader.load_from_file(os.path.join(ROLE, 'defaults/main.yml'))
    variables.update(bios_report_drift=drift, bios_report_made='2026-01-31 10:20:30 UTC')
    templar = Templar(loader=loader, variables=variables)
    with open(TEMPLATE) as template:
        page = templar.template(template.read(), preserve_trailing_newlines=True, escape_backslashes=False)
    rendered = time.perf_counter()
    csv = bios_drift_csv(drift)
    return drift, page, csv, filtered - started, rendered - filtered


def chromium_seconds(chromium, work, page_path, rounds=3):
    """The median wall time of headless Chromium loading the page and painting all of it into a screenshot."""
    times = []
    for number in range(rounds):
        command = [chromium, '--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
                   '--disable-component-update', '--disable-sync', '--no-first-run',
                   '--user-data-dir=%s' % os.path.join(work, 'profile'), '--hide-scrollbars',
                   '--window-size=1280,4000', '--screenshot=%s' % os.path.join(work, 'shot%d.png' % number),
                   'file://' + page_path]
        started = time.perf_counter()
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120, check=True)
        times.append(time.perf_counter() - started)
    return sorted(times)[len(times) // 2]


def main():
    hosts = int(sys.argv[1]) if len(sys.argv) > 1 else 500
    settings = int(sys.argv[2]) if len(sys.argv) > 2 else 100
    chromium = shutil.which('chromium')
    work = tempfile.mkdtemp()
    try:
        empty = os.path.join(work, 'empty.html')
        with open(empty, 'w') as page:
            page.write('<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>empty</title></head>'
                       '<body></body></html>\n')
        floor = chromium_seconds(chromium, work, empty) if chromium else None
        for label, every_host_differs in (('a fleet that drifts a little', False), ('every host differs', True)):
            drift, page, csv, filter_seconds, template_seconds = render(fleet(hosts, settings, every_host_differs))
            path = os.path.join(work, 'bios-report.html')
            with open(path, 'w') as out:
                out.write(page)
            size = len(page.encode('utf-8'))
            print('%d hosts x %d settings, %s: %d configurations, %d drifting settings'
                  % (hosts, settings, label, len(drift['configurations']),
                     len([setting for setting in drift['settings'] if setting['differing']])))
            print('  page %.0f KiB (%.0f KiB gzipped), CSV %.0f KiB; filter %.2f s, template %.2f s'
                  % (size / 1024.0, len(gzip.compress(page.encode('utf-8'))) / 1024.0, len(csv) / 1024.0,
                     filter_seconds, template_seconds))
            if chromium:
                seconds = chromium_seconds(chromium, work, path)
                print('  headless Chromium, load and paint: %.2f s (an empty page: %.2f s)' % (seconds, floor))
        if not chromium:
            print('SKIP: the browser figures: chromium not found (tools/install-deps bench installs it)')
    finally:
        shutil.rmtree(work)


if __name__ == '__main__':
    main()
