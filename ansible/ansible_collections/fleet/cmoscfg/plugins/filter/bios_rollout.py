# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# The bookkeeping of the bios_rollout role: its batches, what became of each
# host, and whether a batch failed beyond the share allowed.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
name: bios_rollout_batches
short_description: The batches of a roll-out
version_added: "1.2.0"
description:
  - Splits hosts, in their order, into batches of the given sizes, as a play's C(serial) does.
  - A size is a number of hosts or a share of all of them (C("20%"), rounded down, at least one host); the last size
    is repeated until every host has its batch.
options:
  _input:
    description: The hosts.
    type: list
    elements: str
    required: true
  sizes:
    description: The size of each batch.
    type: list
    elements: raw
    required: true
author:
  - The cmoscfg developers (@cmoscfg)
'''

EXAMPLES = r'''
- name: A canary, a fifth of the hosts, then the rest
  ansible.builtin.set_fact:
    batches: "{{ ansible_play_hosts | fleet.cmoscfg.bios_rollout_batches([1, '20%', '100%']) }}"
'''

RETURN = r'''
_value:
  description: The batches, each a list of hosts.
  type: list
  elements: list
'''

from ansible.errors import AnsibleFilterError
from ansible.module_utils.six import string_types


def batch_size(size, total):
    """A size of bios_rollout_batches as a number of hosts."""
    text = u'%s' % (size,)
    try:
        if isinstance(size, bool):
            raise ValueError
        if isinstance(size, string_types) and text.strip().endswith('%'):
            share = float(text.strip()[:-1])
            if not 0 < share <= 100:
                raise ValueError
            return max(1, int(total * share / 100))
        count = int(text)
        if count < 1 or u'%s' % count != text.strip():
            raise ValueError
        return count
    except ValueError:
        raise AnsibleFilterError('bios_rollout_batches: %r is no batch size: give a number of hosts (1 or more) '
                                 'or a share such as "20%%"' % (size,))


def bios_rollout_batches(hosts, sizes):
    hosts = list(hosts)
    if not sizes:
        raise AnsibleFilterError('bios_rollout_batches: no batch sizes given')
    counts = [batch_size(size, len(hosts)) for size in sizes]
    batches, start = [], 0
    while start < len(hosts):
        count = counts[min(len(batches), len(counts) - 1)]
        batches.append(hosts[start:start + count])
        start += count
    return batches


def failed(result):
    return bool(result.get('failed') or result.get('unreachable'))


def message(result):
    return u'%s' % (result.get('msg') or 'no message',)


def bios_rollout_refusal(hosts, hostvars):
    """Why nothing is written, when the plan (registered as bios_rollout_plan) failed on any of hosts; else ''."""
    failures = []
    for host in hosts:
        plan = hostvars[host].get('bios_rollout_plan') if host in hostvars else None
        if not plan:
            failures.append('%s: not planned' % host)
        elif failed(plan):
            failures.append('%s: %s' % (host, message(plan)))
    if not failures:
        return ''
    return 'nothing was written: the plan fails on %d of %d hosts: %s' % (len(failures), len(hosts),
                                                                          '; '.join(failures))


def bios_rollout_outcome(applied, rebooted=None, verified=None, check_mode=False):
    """What became of a host in its batch, from the registered results of its write, reboot and verify.

    A host whose write needs no reboot, or that was only planned (check mode), is not rebooted, so nothing of
    it is verified (verified: None).
    """
    outcome = {'changed': bool(applied.get('changed')), 'written': applied.get('written') or [],
               'rebooted': False, 'verified': None, 'failed': False, 'msg': ''}
    if failed(applied):
        outcome.update(failed=True, msg='the write failed: ' + message(applied))
    elif applied.get('reboot_required') and not check_mode:
        if not rebooted or rebooted.get('skipped') or failed(rebooted):
            outcome.update(failed=True, msg='the reboot failed: ' + message(rebooted or {}))
        else:
            outcome['rebooted'] = True
            if not verified or verified.get('skipped'):
                outcome.update(failed=True, msg='not verified after the reboot: bios_verify did not run')
            elif failed(verified):
                outcome.update(failed=True, verified=False, msg='not verified after the reboot: ' + message(verified))
            else:
                outcome['verified'] = True
    return outcome


def bios_rollout_stop(batch, hostvars, max_fail_percentage, number, count):
    """Why the roll-out stops after batch number (of count), or '' when the batch failed within the share allowed.

    A host of the batch without an outcome failed before it had one.
    """
    failures = []
    for host in batch:
        outcome = hostvars[host].get('bios_rollout_outcome') if host in hostvars else None
        if not outcome:
            failures.append('%s: failed before its outcome was known' % host)
        elif outcome['failed']:
            failures.append('%s: %s' % (host, outcome['msg']))
    if not failures or len(failures) * 100 <= float(max_fail_percentage) * len(batch):
        return ''
    return ('stopped after batch %d of %d: %d of its %d hosts failed, more than the %s%% allowed%s: %s'
            % (number, count, len(failures), len(batch), max_fail_percentage,
               ', and no host of a later batch was written' if number < count else '', '; '.join(failures)))


class FilterModule(object):
    def filters(self):
        return {'bios_rollout_batches': bios_rollout_batches, 'bios_rollout_refusal': bios_rollout_refusal,
                'bios_rollout_outcome': bios_rollout_outcome, 'bios_rollout_stop': bios_rollout_stop}
