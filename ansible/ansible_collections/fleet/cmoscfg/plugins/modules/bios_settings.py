#!/usr/bin/python
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see COPYING or https://www.gnu.org/licenses/gpl-3.0.txt)
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
  - Reads the current state with C(cmoscfg setting json) and checks every request before anything is
    written, so a request for a setting or a value that the machine lacks fails the host with nothing
    written. Then it writes only the settings that differ (C(cmoscfg setting set)), reads the state back
    and fails when it does not match.
  - Idempotent, unlike C(cmoscfg setting readfile), which stops half-way on a bad value and skips
    unknown names with success. A second run with the same request changes nothing.
  - The tool finds the machine, the platform and its settings file as usual, so environment variables
    such as C(CMOSCFG_SETTINGS) or C(CMOSCFG_PLATFORM) may be given through the task's C(environment).
options:
  settings:
    description:
      - The wanted value of each setting, by name. Names and values are compared exactly, letter case
        included.
      - Quote values that YAML would read as booleans (C("On"), C("Off"), C("Yes"), C("No")); a boolean
        value is refused, since it cannot tell which of those words was meant.
    type: dict
  src:
    description:
      - A user settings file on the managed host, as C(cmoscfg setting save) or C(save_diffs) prints it
        (or written by hand), read with the rules of C(cmoscfg setting readfile). When it names a setting
        twice, its last line wins.
    type: path
  defaults:
    description:
      - Put every setting that the machine has back to its default (settings whose default names none
        of their values are left alone).
    type: bool
    default: false
  missing:
    description:
      - What to do with a requested setting that the machine does not have (not in its settings file,
        or none of its values present).
      - C(fail) fails the host before anything is written; C(ignore) leaves the setting out and lists it
        in C(missing) of the result.
    type: str
    choices: [fail, ignore]
    default: fail
  cmoscfg:
    description:
      - The cmoscfg tool on the managed host, a path or a name looked up on C(PATH).
    type: str
    default: cmoscfg
attributes:
  check_mode:
    description: Reports what would change, after the same checks, and writes nothing.
    support: full
  diff_mode:
    description: "Shows a C(name : value) line for each changed setting, before and after."
    support: full
notes:
  - Exactly one of C(settings), C(src) and C(defaults=true) must be given.
  - The tool must run as root on the hardware (C(become=true)), or on a machine image named by C(CMOSCFG_IMAGE).
  - Changed settings take effect at the next boot.
  - A setting whose name the settings file repeats cannot be set by this module; use C(cmoscfg setting set).
seealso:
  - module: fleet.cmoscfg.bios_settings_info
author:
  - cmoscfg developers
'''

EXAMPLES = r'''
- name: Performance settings for the compute nodes
  fleet.cmoscfg.bios_settings:
    settings:
      Power Profile: Maximum Performance
      Turbo Mode: Enabled
      NumLock: "Off"
  become: true

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
  description: Each setting that differed (or would differ, in check mode), with its value before and after.
  returned: always
  type: dict
  sample: {"Power Profile": {"before": "Balanced", "after": "Maximum Performance"}}
missing:
  description: Requested settings that the machine does not have, left out because of C(missing=ignore).
  returned: always
  type: list
  elements: str
  sample: [TPM Security]
platform:
  description: The server model, upper case.
  returned: always
  type: str
  sample: K2A07
errors:
  description: Every problem of the request, when it was refused before anything was written.
  returned: failure
  type: list
  elements: str
  sample: ["Fan Speed: Turbo is not one of its values: Auto, Low, Medium, High, Full"]
'''

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.common.text.converters import to_text
from ansible_collections.fleet.cmoscfg.plugins.module_utils.cmoscfg_tool import (
    present_value, read_state, run_tool, settings_by_name, similar_name)
from ansible_collections.fleet.cmoscfg.plugins.module_utils.user_settings_file import MalformedLine, read_requests


def requested_from_mapping(module):
    requested = {}
    for name, value in module.params['settings'].items():
        if isinstance(value, bool):
            module.fail_json(msg='%s: the value is the boolean %s; quote the word that the setting offers, '
                                 'such as "On" or "Off"' % (name, value))
        requested[to_text(name)] = to_text(value)
    return requested


def requested_from_file(module):
    path = module.params['src']
    try:
        with open(path, 'rb') as f:
            data = f.read()
    except (IOError, OSError) as error:
        module.fail_json(msg='cannot read %s: %s' % (path, to_text(error)))
    try:
        requests = read_requests(data)
    except MalformedLine as error:
        module.fail_json(msg='%s: %s' % (path, to_text(error)))
    requested = {}
    for _, name, value in requests:
        requested.pop(name, None)   # the last line for a name wins, in the place of that line
        requested[name] = value
    return requested


def requested_defaults(state):
    requested = {}
    for setting in state['settings']:
        if setting['value'] is not None and setting['default'] in setting['value_names']:
            requested.setdefault(setting['name'], setting['default'])
    return requested


def plan(module, state, requested):
    """The changes to make, the names left out, and every problem of the request."""
    by_name = settings_by_name(state)
    changes, missing, errors = {}, [], []
    for name, value in requested.items():
        entries = by_name.get(name, [])
        if present_value(entries) is None:
            if module.params['missing'] == 'ignore':
                missing.append(name)
            elif not entries:
                similar = similar_name(by_name, name)
                errors.append('%s: no such setting%s' % (
                    name, '; only the case differs from %s' % similar if similar else ''))
            else:
                errors.append('%s: not present on this machine' % name)
            continue
        if len(entries) > 1:
            errors.append('%s: the settings file names this setting %d times' % (name, len(entries)))
            continue
        setting = entries[0]
        if value not in setting['value_names']:
            errors.append('%s: %s is not one of its values: %s' % (name, value, ', '.join(setting['value_names'])))
        elif setting['value'] != value:
            changes[name] = {'before': setting['value'], 'after': value}
    return changes, missing, errors


def lines(changes, side):
    return ''.join('%s : %s\n' % (name, change[side]) for name, change in changes.items())


def main():
    module = AnsibleModule(
        argument_spec=dict(
            settings=dict(type='dict'),
            src=dict(type='path'),
            defaults=dict(type='bool', default=False),
            missing=dict(type='str', choices=['fail', 'ignore'], default='fail'),
            cmoscfg=dict(type='str', default='cmoscfg'),
        ),
        supports_check_mode=True,
    )
    sources = [option for option in ('settings', 'src') if module.params[option] is not None]
    if module.params['defaults']:
        sources.append('defaults')
    if len(sources) != 1:
        module.fail_json(msg='give exactly one of settings, src and defaults=true (given: %s)'
                             % (', '.join(sources) or 'none'))

    state = read_state(module)
    if module.params['settings'] is not None:
        requested = requested_from_mapping(module)
    elif module.params['src'] is not None:
        requested = requested_from_file(module)
    else:
        requested = requested_defaults(state)

    changes, missing, errors = plan(module, state, requested)
    if errors:
        module.fail_json(msg='nothing was written: ' + '; '.join(errors), errors=errors, changed=False, changes={},
                         missing=missing, platform=state['platform'])
    # ("skipped" would mark the task itself as skipped.)
    result = dict(changed=bool(changes), changes=changes, missing=missing, platform=state['platform'])
    if module._diff:
        result['diff'] = dict(before=lines(changes, 'before'), after=lines(changes, 'after'),
                              before_header='BIOS settings', after_header='BIOS settings')
    if module.check_mode or not changes:
        module.exit_json(**result)

    written = []
    for name, change in changes.items():
        result['changed'] = bool(written)
        run_tool(module, 'setting', 'set', name, change['after'], written=written, **result)
        written.append(name)
    result['changed'] = True

    now = settings_by_name(read_state(module))
    wrong = ['%s is %s' % (name, present_value(now.get(name))) for name, change in changes.items()
             if present_value(now.get(name)) != change['after']]
    if wrong:
        module.fail_json(msg='the settings read back differ from those written: ' + '; '.join(wrong), **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
