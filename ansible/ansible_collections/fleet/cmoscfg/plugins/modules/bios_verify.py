#!/usr/bin/python
# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# Tells whether the BIOS setting changes made before this boot took, through cmoscfg.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: bios_verify
short_description: Check that the BIOS setting changes took at the reboot
version_added: "1.2.0"
description:
  - Asks C(cmoscfg setting verify --json), after the reboot that follows a change, whether the firmware booted
    with each value that the tool last wrote before this boot.
  - Fails the host when any change did not take; the message and C(settings) give each setting's outcome and
    its reason.
  - Reads only; nothing is written to CMOS.
  - The tool finds the machine, the platform and its settings file as usual, so environment variables
    such as C(CMOSCFG_SETTINGS) or C(CMOSCFG_PLATFORM) may be given through the task's C(environment).
    Tracing (C(DEBUG)) is never passed on to it.
options:
  cmoscfg:
    description:
      - The cmoscfg tool on the managed host, a path or a name looked up on C(PATH).
    type: str
    default: cmoscfg
attributes:
  check_mode:
    description: Runs as usual, since it only reads.
    support: full
  diff_mode:
    description: Has no changes to show.
    support: none
notes:
  - The tool must run as root on the hardware (C(become=true)), or on a machine image named by C(CMOSCFG_IMAGE).
  - The answer rests on the boot record that the boot unit C(cmoscfg-boot-record.service) makes early in every
    boot. Without a record of this boot every change is C(unknown), which fails the host too, since nothing
    shows that it took.
  - A change made in this boot is not judged; it waits for the next boot.
seealso:
  - module: fleet.cmoscfg.bios_settings
  - module: ansible.builtin.reboot
author:
  - The cmoscfg developers (@cmoscfg)
'''

EXAMPLES = r'''
- name: Performance settings
  fleet.cmoscfg.bios_settings:
    settings:
      Power Profile: Maximum Performance
  become: true
  register: bios

- name: Reboot for them
  ansible.builtin.reboot:
  become: true
  when: bios.reboot_required

- name: Did the firmware boot with them?
  fleet.cmoscfg.bios_verify:
  become: true
  when: bios.reboot_required
'''

RETURN = r'''
all_applied:
  description: Whether every change made before this boot was applied (true when there was none).
  returned: when the tool printed its document
  type: bool
  sample: false
settings:
  description: Each setting that the tool changed before this boot (its last change), with what became of it.
  returned: when the tool printed its document
  type: list
  elements: dict
  contains:
    name:
      description: The setting's name.
      type: str
      sample: Turbo Mode
    written:
      description: The value the tool wrote.
      type: str
      sample: Disabled
    booted:
      description: The value this boot booted with; null when unknown.
      type: str
      sample: Enabled
    outcome:
      description: What became of the change.
      type: str
      choices: [applied, not_applied, reset_to_defaults, overwritten, rolled_back, unknown]
      sample: not_applied
    reason:
      description: Why, when the change was not applied; empty otherwise.
      type: str
      sample: the firmware booted another value
'''

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.six import string_types
from ansible_collections.fleet.cmoscfg.plugins.module_utils.cmoscfg_tool import (
    failure_text, json_document, run_tool)

FIELDS = ('name', 'written', 'booted', 'outcome', 'reason')


def verify_document(out):
    """The settings and all_applied of a `setting verify --json` document, or None when out is not one."""
    document = json_document(out)
    if document is None or not isinstance(document.get('settings'), list) \
            or not isinstance(document.get('all_applied'), bool):
        return None
    settings = []
    for setting in document['settings']:
        if not isinstance(setting, dict) or not isinstance(setting.get('name'), string_types) \
                or not isinstance(setting.get('outcome'), string_types):
            return None
        settings.append(dict((field, setting.get(field)) for field in FIELDS))
    return settings, document['all_applied']


def not_applied_text(setting):
    return '%s: %s (written %s, booted %s)%s' % (
        setting['name'], setting['outcome'], setting['written'],
        'an unknown value' if setting['booted'] is None else setting['booted'],
        ': %s' % setting['reason'] if setting['reason'] else '')


def main():
    module = AnsibleModule(
        argument_spec=dict(cmoscfg=dict(type='str', default='cmoscfg')),
        supports_check_mode=True,
    )
    command, rc, out, err = run_tool(module, 'setting', 'verify', '--json')
    # Status 1 with a document says that a change did not take; anything else is the tool failing.
    verified = verify_document(out) if rc in (0, 1) else None
    if verified is None or verified[1] != (rc == 0):
        module.fail_json(msg=failure_text(command, rc, out, err) if rc not in (0, 1)
                         else '%s printed no verify document that agrees with its status %d: %s'
                         % (' '.join(command[1:]), rc, (out + err).strip()),
                         changed=False, rc=rc, stdout=out, stderr=err, cmd=command)
    settings, all_applied = verified
    if not all_applied:
        failed = [setting for setting in settings if setting['outcome'] != 'applied']
        module.fail_json(msg='%d of %d changes made before this boot did not take: %s'
                         % (len(failed), len(settings), '; '.join(not_applied_text(setting) for setting in failed)),
                         changed=False, settings=settings, all_applied=False)
    module.exit_json(changed=False, settings=settings, all_applied=True)


if __name__ == '__main__':
    main()
