# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# A request as a file, and the plan read from the tool's verdicts on it.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

from ansible_collections.fleet.cmoscfg.plugins.module_utils.settings_request import (
    applied_changes, plan, request_file_text)


def test_request_file_carries_each_pair_as_a_line_and_refuses_what_a_line_cannot_carry():
    text, errors = request_file_text({'Boot Delay': 10, 'Turbo Mode': 'Disabled', 'A:B': 'x', 'Fan': ' High',
                                      'Note': 'a # b', 'Empty': None})
    assert text == 'Boot Delay : 10\nTurbo Mode : Disabled\n'
    assert errors == ["A:B: the name cannot be given, since it contains ':'",
                      'Fan: the value cannot be given, since it starts or ends with white space',
                      "Note: the value cannot be given, since it contains '#'",
                      'Empty: no value given; give the word that the setting offers']


def line(number, name, outcome, **more):
    return dict(more, line=number, name=name, value=more.get('after'), outcome=outcome)


def test_plan_of_a_file_reports_every_bad_line_and_the_net_change_of_a_repeated_name():
    check = {'lines': [
        {'line': 1, 'name': None, 'value': None, 'outcome': 'malformed', 'text': 'bad line'},
        line(2, 'Turbo Mode', 'change', before='Enabled', after='Disabled'),
        line(3, 'Fan Speed', 'change', before='Auto', after='High'),
        line(4, 'Fan Speed', 'change', before='High', after='Auto'),
        line(5, 'No Such', 'unknown_name'),
        {'line': 6, 'name': 'B', 'value': 'Off', 'outcome': 'fails', 'error': 'loc_start (90) > loc_end (80)\n'},
    ], 'summary': {'would_change': 0, 'problems': 3, 'stop_line': 1, 'completes': False}}
    changes, missing, errors, writes = plan(check, False, '/srv/x.settings')
    assert errors == ['/srv/x.settings line 1: not "name : value": bad line',
                      '/srv/x.settings line 5: No Such: no such setting',
                      '/srv/x.settings line 6: B: readfile would fail here: loc_start (90) > loc_end (80)']
    assert changes == {'Turbo Mode': {'before': 'Enabled', 'after': 'Disabled'}}
    assert not writes and missing == []
    changes, missing, errors, writes = plan(check, True, None)
    assert missing == ['No Such'] and errors[0] == 'not "name : value": bad line' and len(errors) == 2


def test_an_apply_document_gives_the_net_change_of_a_repeated_name_and_every_name_written():
    document = {'applied': True, 'pending_reboot': True, 'changes': [
        {'line': 1, 'name': 'Fan Speed', 'before': 'Auto', 'after': 'High', 'booted': 'Auto', 'next_boot': 'Auto'},
        {'line': 2, 'name': 'Turbo Mode', 'before': 'Enabled', 'after': 'Disabled', 'booted': None,
         'next_boot': 'Disabled'},
        {'line': 3, 'name': 'Fan Speed', 'before': 'High', 'after': 'Auto', 'booted': 'Auto', 'next_boot': 'Auto'}]}
    changes, written = applied_changes(document)
    assert changes == {'Turbo Mode': {'before': 'Enabled', 'after': 'Disabled', 'booted': None,
                                      'next_boot': 'Disabled'}}
    assert written == ['Fan Speed', 'Turbo Mode']
