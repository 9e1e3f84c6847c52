#!/usr/bin/python
# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# Puts the BIOS settings of a K2-family server to wanted values through cmoscfg.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: bios_settings
short_description: Set the BIOS settings of a K2-family rack server
version_added: "1.0.0"
description:
  - Puts BIOS settings to wanted values with the C(cmoscfg) tool on the managed host. The wanted
    values come from a mapping (C(settings)), from a file saved by C(cmoscfg setting save) (C(src)), or
    are every setting's default (C(defaults)).
  - The request is a settings file. The tool judges it with C(cmoscfg setting check --json), line by line
    exactly as C(cmoscfg setting readfile) would apply it, before anything is written; any line that
    readfile could not carry out fails the host with nothing written.
  - Every line of the request must have its verdict in that document, for the setting it asks for; a
    document that leaves one out fails the host with nothing written, since the apply's changes are held
    against it.
  - A request that would change something is applied by one C(cmoscfg setting apply --json) (with
    C(--skip-missing) under C(missing=ignore)), which judges the file again under its write lock and
    writes it whole or not at all, journaled, so that an apply cut short is rolled back by the tool's next run.
    Its document says what changed, what each changed setting booted with and what the next boot reads, and
    whether a reboot is pending; no read-back follows.
  - A second run with the same request changes nothing.
  - Whenever the apply has started, the result says that the machine was changed, even when the tool fails,
    refuses or is killed. C(written) lists what the apply's document says it changed; an apply whose document
    is missing, refuses, or differs from the plan fails the host with what the document says.
  - The tool finds the machine, the platform and its settings file as usual, so environment variables
    such as C(CMOSCFG_SETTINGS) or C(CMOSCFG_PLATFORM) may be given through the task's C(environment).
    Tracing (C(DEBUG)) is never passed on to it.
options:
  settings:
    description:
      - The wanted value of each setting, by name. Names and values are compared exactly, letter case
        included.
      - Quote values that YAML would read as booleans (C("On"), C("Off"), C("Yes"), C("No")); a boolean
        value is refused, since it cannot tell which of those words was meant. An empty or null value is
        refused too.
      - A name or value that a settings file line cannot carry (with C(:), C(#), a line break, or white space at
        either end) is refused.
    type: dict
  src:
    description:
      - A user settings file on the managed host, as C(cmoscfg setting save) or C(save_diffs) prints it
        (or written by hand). It is judged and applied as it is, line by line, by the rules of
        C(cmoscfg setting readfile); a bad line anywhere fails the host with nothing written.
    type: path
  defaults:
    description:
      - Put every setting that the machine has back to its default (settings whose default names none
        of their values are left alone).
      - C(true) asks for the defaults and excludes C(settings) and C(src); C(false), like leaving the option
        out, asks for nothing, so that a templated C(defaults) may stand beside either of them.
    type: bool
  missing:
    description:
      - What to do with a requested setting that the machine does not have (no such name, or none of its
        values present).
      - C(fail) fails the host before anything is written; C(ignore) leaves the setting out and lists it
        in C(missing).
    type: str
    choices: [fail, ignore]
    default: fail
  backup:
    description:
      - Before writing, save the machine's settings (C(cmoscfg setting save)) to a file in C(backup_dir)
        and return its path as C(backup_file). A later task with C(src) set to that path restores them.
      - Nothing is saved when nothing is to be written.
    type: bool
    default: false
  backup_dir:
    description:
      - The directory on the managed host for the files of C(backup). Made, readable by its owner only,
        when missing.
      - Since a restore applies what is kept there, it is refused, before anything is saved or written, when
        another user could change it, as the tool refuses such a settings file. It and each directory above
        it must not be a symbolic link, must belong to root or to the user the module runs as (under
        C(become), root), and must not be writable by group or others; above it, a directory of root's with
        the sticky bit (such as C(/tmp)) may be.
    type: path
    default: /var/backups/cmoscfg
  cmoscfg:
    description:
      - The cmoscfg tool on the managed host, a path or a name looked up on C(PATH).
    type: str
    default: cmoscfg
attributes:
  check_mode:
    description: Judges the request with C(cmoscfg setting check) only, reports what would change and writes nothing.
      C(reboot_required) is what C(cmoscfg setting status --json) says of changes made earlier.
    support: full
  diff_mode:
    description: "Shows a C(name : value) line for each changed setting, before and after."
    support: full
notes:
  - Exactly one of C(settings), C(src) and C(defaults=true) must be given. C(settings) and C(src) are mutually
    exclusive, one of the three is required, and C(defaults=false) needs one of the others; these rules are
    declared, so Ansible checks them before the module runs. C(defaults=true) beside C(settings) or C(src) is
    refused by the module itself, before the tool runs, since Ansible cannot declare a rule on a value.
  - The tool must run as root on the hardware (C(become=true)), or on a machine image named by C(CMOSCFG_IMAGE).
  - Changed settings take effect at the next boot, hence C(reboot_required); see the examples for a handler.
    It is the machine's own answer, as the tool tells it after the write, or, when nothing is written, as
    C(cmoscfg setting status --json) tells it, so a second run before the reboot still says true.
  - The tool runs at most twice for an apply (check, apply), once more for C(defaults) (C(setting json), for
    the defaults) and once more for C(backup) (C(setting save)); a run that writes nothing runs it twice
    (check, status).
seealso:
  - module: fleet.cmoscfg.bios_settings_info
  - module: ansible.builtin.reboot
author:
  - The cmoscfg developers (@cmoscfg)
'''

EXAMPLES = r'''
- name: Performance settings for the compute nodes, with a reboot when something changed
  fleet.cmoscfg.bios_settings:
    settings:
      Power Profile: Maximum Performance
      Turbo Mode: Enabled
      NumLock: "Off"
    backup: true
  become: true
  register: bios
  notify: Reboot for the BIOS settings

# In the play's handlers:
- name: Reboot for the BIOS settings
  ansible.builtin.reboot:
    msg: BIOS settings changed
  become: true

- name: Put the settings saved by the backup back
  fleet.cmoscfg.bios_settings:
    src: "{{ bios.backup_file }}"
  become: true
  when: bios.backup_file is defined

- name: The settings saved from the reference machine, settings it lacks left out
  fleet.cmoscfg.bios_settings:
    src: /root/reference.settings
    missing: ignore
  become: true

- name: What would a reset to defaults change?
  fleet.cmoscfg.bios_settings:
    defaults: true
  check_mode: true
  diff: true
  become: true

- name: A settings file of our own on a machine image
  fleet.cmoscfg.bios_settings:
    settings:
      Boot Delay: 10s
  environment:
    CMOSCFG_IMAGE: /srv/images/k2a07
    CMOSCFG_PLATFORM: K2A07
    CMOSCFG_SETTINGS: /srv/settings/bios_settings.k2a07
'''

RETURN = r'''
changes:
  description:
    - Each setting that ends at another value, by name. Before a write (and in check mode) as the tool judged the
      request; after one as the apply's document reports it.
    - C(before) is the value before the first line of the request that names the setting, C(after) the value
      after the last one.
    - After a write, also C(booted), the value this boot booted with (from the tool's record of the boot; null
      when it has none of this boot), and C(next_boot), the value now in CMOS, which the next boot reads.
  returned: always
  type: dict
  sample: {"Power Profile": {"before": "Balanced", "after": "Maximum Performance", "booted": "Balanced",
           "next_boot": "Maximum Performance"}}
written:
  description:
    - The settings that the apply's document says it changed, in the order of the request, a setting whose
      lines undo each other included. Empty when the apply printed no document or refused.
  returned: always
  type: list
  elements: str
  sample: [Power Profile]
reboot_required:
  description:
    - Whether a change waits for the next boot, since firmware reads the settings at boot. After a write, the
      C(pending_reboot) of the apply's document; when nothing is written, that of C(cmoscfg setting
      status --json), which covers changes made earlier in this boot (false when the tool cannot tell, as on a
      cmoscfg without the command).
    - True when an apply started but its document does not tell, since the machine may then hold a write.
  returned: always
  type: bool
  sample: true
backup_file:
  description: The file that holds the settings from before the write (C(backup=true)).
  returned: when something was to be written with C(backup=true)
  type: str
  sample: /var/backups/cmoscfg/bios-settings.2026-01-31@10:20:30.4711
missing:
  description: Requested settings that the machine does not have, left out because of C(missing=ignore).
  returned: always
  type: list
  elements: str
  sample: [TPM Security]
platform:
  description: The server model, upper case.
  returned: when the settings were read (C(defaults=true))
  type: str
  sample: K2A07
errors:
  description: Every problem of the request, when it was refused before anything was written, or by the apply.
  returned: failure
  type: list
  elements: str
  sample: ["Fan Speed: Turbo is not one of its values: Auto, Low, Medium, High, Full"]
'''

import errno
import os
import stat
import time

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.common.text.converters import to_bytes
from ansible_collections.fleet.cmoscfg.plugins.module_utils.cmoscfg_tool import (
    failure_text, json_document, read_state, run_tool, run_tool_or_fail, status_document)
from ansible_collections.fleet.cmoscfg.plugins.module_utils.settings_request import (
    applied_changes, apply_document, default_requests, plan, plan_differences, request_file_text,
    request_line_count, unjudged_lines)


def request_file(module):
    """The path of the request file, the state read for defaults (else None) and the name on each of its lines
    (None for src, whose lines the tool alone reads as requests)."""
    params = module.params
    if params['src'] is not None:
        return params['src'], None, None
    state = None
    if params['settings'] is not None:
        requested = params['settings']
    else:
        state = read_state(module)
        requested = default_requests(state)
    text, errors = request_file_text(requested)
    if errors:
        module.fail_json(msg='nothing was written: ' + '; '.join(errors), errors=errors, changed=False,
                         changes={}, written=[], missing=[], reboot_required=False)
    path = os.path.join(module.tmpdir, 'request.settings')
    with open(path, 'wb') as request:
        request.write(to_bytes(text, errors='surrogate_or_strict'))
    # Nothing was refused, so each name is on a line of its own, in order.
    return path, state, [u'%s' % (name,) for name in requested]


def judge(module, path, names):
    """The check document of the request file, which must judge every line of it."""
    nothing = dict(changed=False, changes={}, written=[], missing=[], reboot_required=False)
    command, rc, out, err = run_tool(module, 'setting', 'check', '--json', path)
    check = json_document(out) if rc in (0, 1) else None
    if check is None or 'lines' not in check:
        module.fail_json(msg='nothing was written: ' + failure_text(command, rc, out, err), rc=rc, stdout=out,
                         stderr=err, **nothing)
    if names is None:
        try:
            with open(path, 'rb') as request:
                requested = dict.fromkeys(range(1, request_line_count(request.read()) + 1))
        except (IOError, OSError) as error:
            module.fail_json(msg='nothing was written: cannot read %s: %s' % (path, error), **nothing)
    else:
        requested = dict((number, name) for number, name in enumerate(names, 1))
    # The apply's changes are held against the plan made of the verdicts,
    # so one left out would go unreported.
    problems = unjudged_lines(check, requested)
    if problems:
        module.fail_json(msg='nothing was written: setting check --json did not judge the whole request: '
                             + '; '.join(problems), errors=problems, stdout=out, **nothing)
    return check


def diff_lines(changes, side):
    return ''.join('%s : %s\n' % (name, change[side]) for name, change in changes.items())


def invoking_user():
    """The user on whose behalf the module runs, found as the tool finds it: the real user. Under become that
    is root, so only root's directories are trusted then: sudo may grant the remote user no more than this."""
    return os.getuid()


def distrust_reason(st, user, last):
    """Why a directory on the way to the backups, described by its lstat, lets someone else change them, or None.

    A later restore applies what the backup file holds, so nobody but root and the invoking user may be able
    to swap that file or a directory above it, which is the tool's rule for a settings file. Above the backup
    directory itself, a directory of root's with the sticky bit (as /tmp) is fine: nobody may rename or remove
    in it what is not theirs.
    """
    if stat.S_ISLNK(st.st_mode):
        return 'is a symbolic link'
    if not stat.S_ISDIR(st.st_mode):
        return 'is not a directory'
    if st.st_uid not in (0, user):
        return 'is owned by uid %d, neither root nor the invoking user' % st.st_uid
    if st.st_mode & (stat.S_IWGRP | stat.S_IWOTH) and (last or st.st_uid != 0 or not st.st_mode & stat.S_ISVTX):
        return 'may be written by group or others'
    return None


def cannot_keep(module, directory, error, result):
    module.fail_json(msg='nothing was written: cannot keep the backup in %s: %s' % (directory, error), **result)


def backup_directory(module, result):
    """The backup directory, made (readable by its owner only) where missing; fails the host when another user
    could change what is kept there. A directory that the module makes is its own, so only those that already
    exist are judged, without following a link."""
    directory = os.path.abspath(module.params['backup_dir'])
    user = invoking_user()
    path = os.sep
    for part in [''] + [part for part in directory.split(os.sep) if part]:
        path = os.path.join(path, part)
        try:
            st = os.lstat(path)
        except OSError as error:
            if error.errno != errno.ENOENT:
                cannot_keep(module, directory, error, result)
            try:
                os.mkdir(path, 0o700)
            except OSError as error:
                cannot_keep(module, directory, error, result)
            continue
        reason = distrust_reason(st, user, path == directory)
        if reason:
            module.fail_json(msg='nothing was written: refusing backup_dir %s: %s %s' % (directory, path, reason),
                             **result)
    return directory


def reboot_pending(module):
    """Whether the tool says that a change of this boot waits for the next one; False when it cannot say."""
    command, rc, out, err = run_tool(module, 'setting', 'status', '--json')
    status = status_document(out) if rc == 0 else None
    return status is not None and status['pending_reboot']


def save_backup(module, result):
    directory = backup_directory(module, result)
    saved = run_tool_or_fail(module, 'setting', 'save', **result)
    try:
        path = os.path.join(directory, 'bios-settings.%s.%d' % (time.strftime('%Y-%m-%d@%H:%M:%S'), os.getpid()))
        descriptor = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
        with os.fdopen(descriptor, 'wb') as backup:
            backup.write(to_bytes(saved, errors='surrogate_or_strict'))
    except (IOError, OSError) as error:
        cannot_keep(module, directory, error, result)
    return path


def refusal_errors(module, document):
    """The problems of the check that a refusing apply document holds, or [] when it holds none."""
    check = document.get('check')
    try:
        return plan(check, module.params['missing'] == 'ignore', module.params['src'])[2] if isinstance(check, dict) else []
    except (KeyError, TypeError):
        return []


def apply(module, path, changes, result):
    """Runs setting apply once; from its start on, the result tells what its document says is on the machine."""
    words = ['setting', 'apply', '--json']
    if module.params['missing'] == 'ignore':
        # The plan has listed the settings the machine lacks already.
        words.append('--skip-missing')
    command, rc, out, err = run_tool(module, *(words + [path]))
    # Without a document telling otherwise, the machine may hold the request.
    result.update(changed=True, reboot_required=True, rc=rc, stdout=out)
    document = apply_document(json_document(out))
    if document is None:
        module.fail_json(msg='%s; it printed no apply document, so whether the request was applied is unknown '
                             '(an apply that did not finish is rolled back by the next run of the tool)'
                             % failure_text(command, rc, out, err), **result)
    if not document['applied']:
        result['changes'] = {}
        module.fail_json(msg='setting apply refused the request, so none of it was written: %s'
                             % (document.get('refused') or failure_text(command, rc, out, err)),
                         errors=refusal_errors(module, document), **result)
    result['changes'], result['written'] = applied_changes(document)
    pending = document.get('pending_reboot')
    result['reboot_required'] = pending if isinstance(pending, bool) else True
    failures = [failure_text(command, rc, out, err)] if rc != 0 else []
    differences = plan_differences(changes, result['changes'])
    if differences:
        failures.append("the apply's changes differ from the plan: " + '; '.join(differences))
    if failures:
        module.fail_json(msg='%s. Written, as the apply reports: %s.'
                             % ('; '.join(failures), ', '.join(result['written']) or 'nothing'), **result)


def main():
    module = AnsibleModule(
        argument_spec=dict(
            settings=dict(type='dict'),
            src=dict(type='path'),
            # No default: a default would count as given to required_one_of.
            defaults=dict(type='bool'),
            missing=dict(type='str', choices=['fail', 'ignore'], default='fail'),
            backup=dict(type='bool', default=False),
            backup_dir=dict(type='path', default='/var/backups/cmoscfg'),
            cmoscfg=dict(type='str', default='cmoscfg'),
        ),
        mutually_exclusive=[('settings', 'src')],
        required_one_of=[('settings', 'src', 'defaults')],
        required_if=[('defaults', False, ('settings', 'src'), True)],
        supports_check_mode=True,
    )
    if module.params['defaults']:
        given = [option for option in ('settings', 'src') if module.params[option] is not None]
        if given:
            module.fail_json(msg='defaults=true asks for every default: give it without %s' % ' and '.join(given))
    path, state, names = request_file(module)
    check = judge(module, path, names)
    ignore = module.params['missing'] == 'ignore'
    changes, missing, errors, writes = plan(check, ignore, module.params['src'])
    result = dict(changed=False, changes=changes, written=[], missing=missing, reboot_required=False)
    if state is not None:
        result['platform'] = state['platform']
    if errors:
        result['changes'] = {}
        module.fail_json(msg='nothing was written: ' + '; '.join(errors), errors=errors, **result)
    if module._diff:
        result['diff'] = dict(before=diff_lines(changes, 'before'), after=diff_lines(changes, 'after'),
                              before_header='BIOS settings', after_header='BIOS settings')
    # Check mode says whether the apply would write, without running it.
    result['changed'] = writes
    if module.check_mode or not writes:
        result['reboot_required'] = reboot_pending(module)
        module.exit_json(**result)
    if module.params['backup']:
        result['backup_file'] = save_backup(module, result)
    apply(module, path, changes, result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
