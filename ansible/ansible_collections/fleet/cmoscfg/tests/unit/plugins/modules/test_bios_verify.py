# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# bios_verify against a faked `setting verify --json`: what passes, what fails
# the host, and what is the tool failing.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import sys

import pytest

from ansible.module_utils import basic
from ansible.module_utils.common.text.converters import to_bytes
from ansible_collections.fleet.cmoscfg.plugins.modules import bios_verify

# Prints FAKE_OUT, ends with FAKE_RC, and logs its words and whether DEBUG reached it.
FAKE_TOOL = r'''#!%s
import json, os, sys
with open(os.environ['FAKE_LOG'], 'a') as log:
    log.write(json.dumps([sys.argv[1:], 'DEBUG' in os.environ]) + '\n')
sys.stdout.write(os.environ['FAKE_OUT'])
sys.exit(int(os.environ['FAKE_RC']))
'''

APPLIED = {'name': 'Fan Speed', 'written': 'High', 'booted': 'High', 'outcome': 'applied', 'reason': ''}
NOT_APPLIED = {'name': 'Turbo Mode', 'written': 'Disabled', 'booted': 'Enabled', 'outcome': 'not_applied',
               'reason': 'the firmware booted another value'}
UNKNOWN = {'name': 'Boot Delay', 'written': '10s', 'booted': None, 'outcome': 'unknown',
           'reason': 'no boot record for this boot'}


class Exited(Exception):
    def __init__(self, result):
        super(Exited, self).__init__(result)
        self.result = result


def run_module(tmp_path, monkeypatch, rc, out):
    tool = tmp_path / 'cmoscfg'
    tool.write_text(FAKE_TOOL % sys.executable)
    tool.chmod(0o755)
    for name, value in (('FAKE_LOG', str(tmp_path / 'log')), ('FAKE_OUT', out), ('FAKE_RC', str(rc)), ('DEBUG', '1')):
        monkeypatch.setenv(name, value)
    params = dict(cmoscfg=str(tool), _ansible_check_mode=True, _ansible_remote_tmp=str(tmp_path),
                  _ansible_keep_remote_files=False)
    monkeypatch.setattr(basic, '_ANSIBLE_ARGS', to_bytes(json.dumps({'ANSIBLE_MODULE_ARGS': params})))

    def exit_json(self, **result):
        raise Exited(dict(result, failed=False))

    def fail_json(self, msg, **result):
        raise Exited(dict(result, failed=True, msg=msg))

    monkeypatch.setattr(basic.AnsibleModule, 'exit_json', exit_json)
    monkeypatch.setattr(basic.AnsibleModule, 'fail_json', fail_json)
    with pytest.raises(Exited) as exited:
        bios_verify.main()
    runs = [json.loads(line) for line in (tmp_path / 'log').read_text().splitlines()]
    assert runs == [[['setting', 'verify', '--json'], False]]
    return exited.value.result


def document(settings, all_applied):
    return json.dumps({'settings': settings, 'all_applied': all_applied}, indent=2) + '\n'


@pytest.mark.parametrize('rc, out, failed, msg', [
    (0, document([APPLIED], True), False, None),
    (0, document([], True), False, None),
    (1, document([NOT_APPLIED, APPLIED, UNKNOWN], False), True,
     '2 of 3 changes made before this boot did not take: '
     'Turbo Mode: not_applied (written Disabled, booted Enabled): the firmware booted another value; '
     'Boot Delay: unknown (written 10s, booted an unknown value): no boot record for this boot'),
])
def test_each_change_that_did_not_take_fails_the_host_with_its_reason(tmp_path, monkeypatch, rc, out, failed, msg):
    result = run_module(tmp_path, monkeypatch, rc, out)
    expected = json.loads(out)
    assert result['failed'] is failed and result['changed'] is False and result.get('msg') == msg
    assert result['settings'] == expected['settings'] and result['all_applied'] is expected['all_applied']


@pytest.mark.parametrize('rc, out, msg', [
    (1, 'Error: unable to open /x/mem\n', 'setting verify --json printed no verify document that agrees with '
                                          'its status 1: Error: unable to open /x/mem'),
    (2, document([APPLIED], True), 'setting verify --json ended with status 2: '),
    (0, document([NOT_APPLIED], False), 'setting verify --json printed no verify document that agrees with '
                                        'its status 0: '),
    (0, '{"settings": [{"name": 3}], "all_applied": true}', 'setting verify --json printed no verify document'),
])
def test_a_status_without_its_document_is_the_tool_failing(tmp_path, monkeypatch, rc, out, msg):
    result = run_module(tmp_path, monkeypatch, rc, out)
    assert result['failed'] is True and result['changed'] is False and result['msg'].startswith(msg)
    assert 'settings' not in result and result['rc'] == rc
