# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# The module against a faked tool: what it runs, and what it reports when the
# tool fails part-way.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os
import sys

import pytest

from ansible.module_utils import basic
from ansible.module_utils.common.text.converters import to_bytes
from ansible_collections.fleet.cmoscfg.plugins.modules import bios_settings

# The faked tool answers from a scenario file and logs each run with whether
# DEBUG reached it.
FAKE_TOOL = r'''#!%s
import json, os, sys
scenario = json.load(open(os.environ['FAKE_SCENARIO']))
with open(os.environ['FAKE_LOG'], 'a') as log:
    log.write(json.dumps([sys.argv[1:], 'DEBUG' in os.environ]) + '\n')
words = sys.argv[1:]
if words[:3] == ['setting', 'check', '--json']:
    with open(os.environ['FAKE_REQUEST'], 'w') as request:
        request.write(open(words[3]).read())
answer = scenario[' '.join(words[:2])]
sys.stdout.write(answer['out'])
sys.exit(answer['rc'])
'''

WANTED = {'Turbo Mode': 'Disabled', 'Fan Speed': 'High'}
CHECK = {
    'lines': [
        {'line': 1, 'name': 'Turbo Mode', 'value': 'Disabled', 'outcome': 'change', 'before': 'Enabled',
         'after': 'Disabled'},
        {'line': 2, 'name': 'Fan Speed', 'value': 'High', 'outcome': 'change', 'before': 'Auto', 'after': 'High'},
    ],
    'summary': {'would_change': 2, 'problems': 0, 'stop_line': None, 'completes': True},
}


def applied(pending=True, **fan):
    """The apply document of WANTED, as the tool prints it; fan replaces keys of the Fan Speed change."""
    return {'applied': True, 'journal_record': '2026-01-31T10:20:30Z-4711', 'pending_reboot': pending, 'changes': [
        {'line': 1, 'name': 'Turbo Mode', 'before': 'Enabled', 'after': 'Disabled', 'booted': 'Enabled',
         'next_boot': 'Disabled'},
        dict({'line': 2, 'name': 'Fan Speed', 'before': 'Auto', 'after': 'High', 'booted': None,
              'next_boot': 'High'}, **fan)]}


class Exited(Exception):
    def __init__(self, result):
        super(Exited, self).__init__(result)
        self.result = result


def run_module(tmp_path, monkeypatch, scenario, **params):
    """Runs the module with params on the faked tool; returns its result and the tool's runs."""
    tool = tmp_path / 'cmoscfg'
    tool.write_text(FAKE_TOOL % sys.executable)
    tool.chmod(0o755)
    (tmp_path / 'scenario.json').write_text(json.dumps(scenario))
    monkeypatch.setenv('FAKE_SCENARIO', str(tmp_path / 'scenario.json'))
    monkeypatch.setenv('FAKE_LOG', str(tmp_path / 'log'))
    monkeypatch.setenv('FAKE_REQUEST', str(tmp_path / 'request'))
    monkeypatch.setenv('DEBUG', '1')
    params.update(cmoscfg=str(tool), _ansible_remote_tmp=str(tmp_path), _ansible_keep_remote_files=False)
    monkeypatch.setattr(basic, '_ANSIBLE_ARGS', to_bytes(json.dumps({'ANSIBLE_MODULE_ARGS': params})))

    def exit_json(self, **result):
        raise Exited(dict(result, failed=False))

    def fail_json(self, msg, **result):
        raise Exited(dict(result, failed=True, msg=msg))

    monkeypatch.setattr(basic.AnsibleModule, 'exit_json', exit_json)
    monkeypatch.setattr(basic.AnsibleModule, 'fail_json', fail_json)
    with pytest.raises(Exited) as exited:
        bios_settings.main()
    log = tmp_path / 'log'
    runs = [json.loads(line) for line in log.read_text().splitlines()] if log.exists() else []
    return exited.value.result, runs


def answers(apply_rc=0, apply_out=json.dumps(applied()), check=None):
    return {'setting check': {'rc': 0, 'out': json.dumps(CHECK if check is None else check)},
            'setting apply': {'rc': apply_rc, 'out': apply_out},
            'setting save': {'rc': 0, 'out': 'Turbo Mode : Enabled\nFan Speed : Auto\n'}}


@pytest.mark.parametrize('pending, params, skip', [
    (True, {}, []),
    # Written back to the values booted: nothing waits for the reboot. A
    # templated defaults=false beside the settings asks for nothing more.
    (False, {'missing': 'ignore', 'defaults': False}, ['--skip-missing']),
])
def test_apply_is_one_check_and_one_apply_without_debug(tmp_path, monkeypatch, pending, params, skip):
    tool = answers(apply_out=json.dumps(applied(pending)))
    result, runs = run_module(tmp_path, monkeypatch, tool, settings=WANTED, **params)
    assert (tmp_path / 'request').read_text() == 'Turbo Mode : Disabled\nFan Speed : High\n'
    request = runs[0][0][3]
    assert runs == [[['setting', 'check', '--json', request], False],
                    [['setting', 'apply', '--json'] + skip + [request], False]]
    assert os.environ['DEBUG'] == '1'
    assert result['failed'] is False and result['changed'] is True and result['reboot_required'] is pending
    assert result['written'] == ['Turbo Mode', 'Fan Speed']
    assert result['changes'] == {
        'Turbo Mode': {'before': 'Enabled', 'after': 'Disabled', 'booted': 'Enabled', 'next_boot': 'Disabled'},
        'Fan Speed': {'before': 'Auto', 'after': 'High', 'booted': None, 'next_boot': 'High'}}


@pytest.mark.parametrize('status, pending', [
    ({'rc': 0, 'out': json.dumps({'pending_reboot': True, 'settings': []})}, True),
    ({'rc': 0, 'out': json.dumps({'pending_reboot': False, 'settings': []})}, False),
    ({'rc': 1, 'out': 'ERROR:  command not recognized:  status\n'}, False),
])
def test_a_run_that_writes_nothing_asks_whether_an_earlier_change_waits_for_the_reboot(
        tmp_path, monkeypatch, status, pending):
    unchanged = dict(CHECK, lines=[dict(line, outcome='unchanged', before=line['after']) for line in CHECK['lines']],
                     summary=dict(CHECK['summary'], would_change=0))
    scenario = dict(answers(check=unchanged), **{'setting status': status})
    result, runs = run_module(tmp_path, monkeypatch, scenario, settings=WANTED)
    assert result['failed'] is False and result['changed'] is False and result['reboot_required'] is pending
    assert [run[0][1] for run in runs] == ['check', 'status']


def test_backup_saves_before_the_apply(tmp_path, monkeypatch):
    result, runs = run_module(tmp_path, monkeypatch, answers(), settings=WANTED, backup=True,
                              backup_dir=str(tmp_path / 'backups'))
    assert [run[0][1] for run in runs] == ['check', 'save', 'apply']
    with open(result['backup_file']) as backup:
        assert backup.read() == 'Turbo Mode : Enabled\nFan Speed : Auto\n'
    assert os.stat(result['backup_file']).st_mode & 0o777 == 0o600


@pytest.mark.parametrize('params, message', [
    ({}, 'one of the following is required: settings, src, defaults'),
    ({'settings': WANTED, 'src': '/x'}, 'parameters are mutually exclusive: settings|src'),
    ({'src': '/x', 'defaults': True}, 'defaults=true asks for every default: give it without src'),
    ({'defaults': False}, 'defaults is False but any of the following are missing: settings, src'),
])
def test_anything_but_one_source_is_refused_before_the_tool_runs(tmp_path, monkeypatch, params, message):
    result, runs = run_module(tmp_path, monkeypatch, answers(), **params)
    assert result['failed'] is True and runs == [] and message in result['msg']


def check_without(number, **renamed):
    """CHECK with line number left out, or with its name changed."""
    check = json.loads(json.dumps(CHECK))
    if renamed:
        check['lines'][number - 1].update(renamed)
    else:
        del check['lines'][number - 1]
    return check


@pytest.mark.parametrize('check, source, problem', [
    (check_without(2), 'settings', 'line 2 (Fan Speed) has no verdict'),
    (check_without(2), 'src', 'line 2 has no verdict'),
    (check_without(2, name='Fan Mode'), 'settings', 'the verdict on line 2 is for Fan Mode, not Fan Speed'),
])
def test_a_check_that_leaves_part_of_the_request_out_writes_nothing(tmp_path, monkeypatch, check, source, problem):
    src = tmp_path / 'wanted.settings'
    src.write_text(u'Turbo Mode : Disabled\nFan Speed : High')
    given = {'settings': WANTED} if source == 'settings' else {'src': str(src)}
    result, runs = run_module(tmp_path, monkeypatch, answers(check=check), **given)
    assert result['failed'] is True and result['changed'] is False and [run[0][1] for run in runs] == ['check']
    assert result['msg'] == 'nothing was written: setting check --json did not judge the whole request: ' + problem


def symlinked(dirs):
    (dirs / 'own').mkdir(mode=0o700)
    (dirs / 'backups').symlink_to(dirs / 'own')
    return dirs / 'backups'


def below_a_symlink(dirs):
    (dirs / 'own').mkdir(mode=0o700)
    (dirs / 'link').symlink_to(dirs / 'own')
    return dirs / 'link' / 'backups'


def group_writable(dirs):
    (dirs / 'backups').mkdir()
    (dirs / 'backups').chmod(0o770)
    return dirs / 'backups'


def another_users(dirs):
    if os.getuid() != 0:
        pytest.skip('only root can give a directory away')
    (dirs / 'backups').mkdir(mode=0o700)
    os.chown(str(dirs / 'backups'), 65534, -1)
    return dirs / 'backups'


def tree(top):
    return sorted(os.path.join(root, name) for root, dirs, files in os.walk(str(top)) for name in dirs + files)


@pytest.mark.parametrize('make, refused, reason', [
    (symlinked, 'backups', 'is a symbolic link'),
    (below_a_symlink, 'link', 'is a symbolic link'),
    (group_writable, 'backups', 'may be written by group or others'),
    (another_users, 'backups', 'is owned by uid '),
])
def test_a_backup_dir_another_user_could_change_is_refused_before_anything_is_saved(tmp_path, monkeypatch,
                                                                                    make, refused, reason):
    dirs = tmp_path / 'dirs'
    dirs.mkdir(mode=0o700)
    backup_dir = make(dirs)
    made = tree(dirs)
    result, runs = run_module(tmp_path, monkeypatch, answers(), settings=WANTED, backup=True,
                              backup_dir=str(backup_dir))
    assert result['failed'] is True and result['reboot_required'] is False and [run[0][1] for run in runs] == ['check']
    assert result['msg'].startswith('nothing was written: refusing backup_dir %s: %s %s'
                                    % (backup_dir, dirs / refused, reason))
    assert 'backup_file' not in result and tree(dirs) == made


REFUSED = {'applied': False, 'journal_record': None, 'changes': [], 'refused': 'readfile would stop at line 2',
           'check': dict(CHECK, lines=[CHECK['lines'][0], dict(CHECK['lines'][1], outcome='value_not_offered',
                                                               offered=['Auto', 'Low'])],
                         summary=dict(CHECK['summary'], completes=False, stop_line=2))}


@pytest.mark.parametrize('tool, written, changes, errors, message', [
    # Killed before it printed its document: whether it committed is unknown, so the plan stands.
    (answers(apply_rc=-9, apply_out=''), [], ['Turbo Mode', 'Fan Speed'], [],
     'it printed no apply document, so whether the request was applied is unknown'),
    # The machine changed between the plan and the apply, which judged it again.
    (answers(apply_rc=1, apply_out=json.dumps(REFUSED)), [], [], ['Fan Speed: High is not one of its values: Auto, Low'],
     'setting apply refused the request, so none of it was written: readfile would stop at line 2'),
    (answers(apply_out=json.dumps(dict(applied(), changes=applied()['changes'][:1]))), ['Turbo Mode'], ['Turbo Mode'],
     [], "the apply's changes differ from the plan: Fan Speed was not changed. Written, as the apply reports: "
         "Turbo Mode."),
    (answers(apply_out=json.dumps(applied(next_boot='Auto'))), ['Turbo Mode', 'Fan Speed'], ['Turbo Mode', 'Fan Speed'],
     [], "the apply's changes differ from the plan: Fan Speed reads Auto for the next boot, not High."),
])
def test_a_failure_after_the_apply_started_reports_the_change(tmp_path, monkeypatch, tool, written, changes, errors,
                                                              message):
    result, dummy = run_module(tmp_path, monkeypatch, tool, settings=WANTED)
    assert result['failed'] is True and result['changed'] is True and result['reboot_required'] is True
    assert message in result['msg'] and result.get('errors', []) == errors
    assert result['written'] == written and list(result['changes']) == changes


@pytest.mark.parametrize('value', [None, '', True])
def test_a_value_that_names_no_word_runs_nothing(tmp_path, monkeypatch, value):
    result, runs = run_module(tmp_path, monkeypatch, answers(), settings={'Serial Console': value, 'Fan Speed': 'High'})
    assert result['failed'] is True and result['changed'] is False and runs == []
    assert result['errors'][0].startswith('Serial Console: ')
