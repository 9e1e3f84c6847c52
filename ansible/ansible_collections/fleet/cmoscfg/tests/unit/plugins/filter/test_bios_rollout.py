# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# The roll-out's bookkeeping: its batches, each host's outcome from its
# registered results, and the gates before any write and after each batch.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import pytest

from ansible.errors import AnsibleFilterError
from ansible_collections.fleet.cmoscfg.plugins.filter.bios_rollout import (
    bios_rollout_batches, bios_rollout_outcome, bios_rollout_refusal, bios_rollout_stop)

HOSTS = ['h%03d' % number for number in range(500)]


@pytest.mark.parametrize('hosts, sizes, lengths', [
    (HOSTS, [1, '20%', '100%'], [1, 100, 399]),
    (HOSTS[:5], [1, '40%'], [1, 2, 2]),
    (HOSTS[:5], ['1%', 3], [1, 3, 1]),
    (HOSTS[:2], [10], [2]),
    ([], [1], []),
])
def test_batches_take_the_hosts_in_order_and_repeat_the_last_size(hosts, sizes, lengths):
    batches = bios_rollout_batches(hosts, sizes)
    assert [len(batch) for batch in batches] == lengths and sum(batches, []) == hosts


@pytest.mark.parametrize('sizes', [[0], ['0%'], ['101%'], ['many'], [True], ['1.5'], []])
def test_a_size_that_names_no_hosts_is_refused(sizes):
    with pytest.raises(AnsibleFilterError):
        bios_rollout_batches(HOSTS, sizes)


WROTE = {'changed': True, 'written': ['Turbo Mode'], 'reboot_required': True}
OK = {'changed': True}


@pytest.mark.parametrize('applied, rebooted, verified, expected', [
    (WROTE, OK, {'all_applied': True}, {'rebooted': True, 'verified': True, 'failed': False, 'msg': ''}),
    (WROTE, OK, {'failed': True, 'msg': 'Turbo Mode: not_applied'},
     {'rebooted': True, 'verified': False, 'failed': True, 'msg': 'not verified after the reboot: Turbo Mode: not_applied'}),
    (WROTE, {'unreachable': True, 'msg': 'timed out'}, {'skipped': True},
     {'rebooted': False, 'verified': None, 'failed': True, 'msg': 'the reboot failed: timed out'}),
    ({'failed': True, 'changed': True, 'msg': 'readfile ended with status 1'}, {'skipped': True}, {'skipped': True},
     {'rebooted': False, 'verified': None, 'failed': True, 'msg': 'the write failed: readfile ended with status 1'}),
    # Nothing waits for a reboot: not rebooted, nothing to verify.
    ({'changed': False, 'reboot_required': False}, {'skipped': True}, {'skipped': True},
     {'rebooted': False, 'verified': None, 'failed': False, 'msg': ''}),
])
def test_the_outcome_of_a_host_is_the_first_step_that_failed(applied, rebooted, verified, expected):
    outcome = bios_rollout_outcome(applied, rebooted, verified)
    assert dict((key, outcome[key]) for key in expected) == expected


def test_in_check_mode_a_host_is_planned_only():
    outcome = bios_rollout_outcome(WROTE, {'skipped': True}, {'skipped': True}, True)
    expected = {'changed': True, 'rebooted': False, 'verified': None, 'failed': False, 'msg': ''}
    assert dict((key, outcome[key]) for key in expected) == expected


def outcomes(*failures):
    return dict((host, {'bios_rollout_outcome': {'failed': bool(msg), 'msg': msg}} if msg is not None else {})
                for host, msg in failures)


@pytest.mark.parametrize('hostvars, share, number, stop', [
    (outcomes(('h1', ''), ('h2', 'not verified')), 50, 2, ''),
    (outcomes(('h1', ''), ('h2', 'not verified')), 49, 2,
     'stopped after batch 2 of 3: 1 of its 2 hosts failed, more than the 49% allowed, and no host of a later batch '
     'was written: h2: not verified'),
    (outcomes(('h1', None), ('h2', '')), 0, 3,
     'stopped after batch 3 of 3: 1 of its 2 hosts failed, more than the 0% allowed: h1: failed before its outcome '
     'was known'),
])
def test_a_batch_stops_the_roll_out_when_more_than_the_share_failed(hostvars, share, number, stop):
    assert bios_rollout_stop(['h1', 'h2'], hostvars, share, number, 3) == stop


def test_a_plan_that_fails_or_is_missing_on_any_host_writes_nothing():
    hostvars = {'h1': {'bios_rollout_plan': {'changed': True}}, 'h2': {'bios_rollout_plan': {'failed': True, 'msg': 'no'}},
                'h3': {}}
    assert bios_rollout_refusal(['h1'], hostvars) == ''
    assert bios_rollout_refusal(['h1', 'h2', 'h3'], hostvars) == \
        'nothing was written: the plan fails on 2 of 3 hosts: h2: no; h3: not planned'
