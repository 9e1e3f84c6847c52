#!/usr/bin/python
# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# Reports the BIOS settings of a K2-family server through cmoscfg.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: bios_settings_info
short_description: Read the BIOS settings of a K2-family rack server
version_added: "1.0.0"
description:
  - Reads every setting of the platform's settings file with C(cmoscfg setting json) and returns the
    platform, the settings file in use and each setting with its current value, default and the
    values the machine offers.
  - Reads only; nothing is written to CMOS.
  - The tool finds the machine, the platform and its settings file as usual, so environment variables
    such as C(CMOSCFG_SETTINGS) or C(CMOSCFG_PLATFORM) may be given through the task's C(environment).
options:
  cmoscfg:
    description:
      - The cmoscfg tool on the managed host, a path or a name looked up on C(PATH).
    type: str
    default: cmoscfg
attributes:
  check_mode:
    description: Can run in check mode and return the same information.
    support: full
  diff_mode:
    description: Has no changes to show.
    support: none
notes:
  - The tool must run as root on the hardware (C(become=true)), or on a machine image named by C(CMOSCFG_IMAGE).
  - Names and values that are not valid UTF-8 come back with U+FFFD in place of each invalid byte sequence.
seealso:
  - module: fleet.cmoscfg.bios_settings
author:
  - The cmoscfg developers (@cmoscfg)
'''

EXAMPLES = r'''
- name: Read the BIOS settings
  fleet.cmoscfg.bios_settings_info:
  register: bios
  become: true

- name: Show the power profile
  ansible.builtin.debug:
    msg: "{{ inventory_hostname }} runs {{ bios.current['Power Profile'] }}"

- name: List the settings that are not at their default
  ansible.builtin.debug:
    msg: "{{ bios.settings | rejectattr('at_default') | map(attribute='name') | list }}"
'''

RETURN = r'''
platform:
  description: The server model, upper case.
  returned: always
  type: str
  sample: K2A07
settings_file:
  description: The platform settings file that names the settings.
  returned: always
  type: str
  sample: /opt/quor/qsv/bios_settings.k2a07
settings:
  description: Every setting, in the order of the settings file (a name the file repeats appears as often).
  returned: always
  type: list
  elements: dict
  contains:
    section:
      description: The section the setting is listed under.
      type: str
      sample: Power Management
    subsection:
      description: The subsection the setting is listed under.
      type: str
      sample: Profile
    name:
      description: The setting's name.
      type: str
      sample: Power Profile
    value:
      description: The current value; null when the setting is not present on this machine.
      type: str
      sample: Balanced
    default:
      description: The default value named by the settings file.
      type: str
      sample: Balanced
    value_names:
      description: The values the setting can take on this machine.
      type: list
      elements: str
      sample: [Maximum Performance, Balanced, Power Saving, Custom]
    at_default:
      description: Whether the current value is the default.
      type: bool
      sample: true
current:
  description: The current value of each setting by name (null when not present); the first of a repeated name.
  returned: always
  type: dict
  sample: {"Power Profile": "Balanced", "Turbo Mode": "Enabled", "TPM Security": null}
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.fleet.cmoscfg.plugins.module_utils.cmoscfg_tool import read_state


def main():
    module = AnsibleModule(
        argument_spec=dict(cmoscfg=dict(type='str', default='cmoscfg')),
        supports_check_mode=True,
    )
    state = read_state(module)
    current = {}
    for setting in state['settings']:
        current.setdefault(setting['name'], setting['value'])
    module.exit_json(changed=False, platform=state['platform'], settings_file=state['settings_file'],
                     settings=state['settings'], current=current)


if __name__ == '__main__':
    main()
