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
  - Asks C(cmoscfg setting status --json) for the machine's status and returns its document with a few of its
    answers as keys of their own, for conditions, such as whether a reboot is pending.
  - Reads only. Nothing is written to CMOS but by what C(setting status) does first on any run, as every writing
    run of the tool does; it rolls back an apply that a kill, crash or reset left unfinished, so that what it
    reports is what the next boot reads.
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
  - The tool runs twice (C(setting json), C(setting status --json)).
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

- name: List the settings whose change waits for the reboot
  ansible.builtin.debug:
    msg: "{{ bios.status.settings | selectattr('pending') | map(attribute='name') | list }}"
  when: bios.pending_reboot
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
pending_reboot:
  description: Whether a change waits for the next boot (the status document's C(pending_reboot)).
  returned: always
  type: bool
  sample: true
boot_record:
  description: Whether the tool holds a record of what this boot booted with (the status document's
    C(boot_record) is not null). Without one, C(booted) values are unknown.
  returned: always
  type: bool
  sample: true
checksums_valid:
  description: Whether every bank's checksum is valid now; null when the tool does not tell, without a record of
    this boot or under an update method whose checksum it does not judge (no banks in the record).
  returned: always
  type: bool
  sample: true
status:
  description: The document of C(cmoscfg setting status --json), as the tool printed it.
  returned: always
  type: dict
  contains:
    boot_id:
      description: The machine's boot id; null when it has none.
      type: str
      sample: 5f0c1d2e-8a4b-4c3d-9e2f-1a2b3c4d5e6f
    pending_reboot:
      description: Whether a change waits for the next boot. With a record of this boot, whether a setting's
        next boot value differs from the one booted; without, whether the journal holds a write of this boot.
      type: bool
      sample: true
    boot_record:
      description: The record of this boot; null when there is none.
      type: dict
      contains:
        time:
          description: When the record was made, UTC.
          type: str
          sample: "2026-01-31T10:20:30Z"
        age_seconds:
          description: The record's age.
          type: int
          sample: 3600
        at_boot:
          description: Whether the boot unit made it at boot; a record made later may hold changes made since.
          type: bool
          sample: true
        banks:
          description: Each CMOS bank whose checksum the tool judges (none under the direct update method).
          type: list
          elements: dict
          contains:
            port:
              description: The bank's index port.
              type: int
              sample: 112
            valid_at_boot:
              description: Whether the bank's checksum was valid at boot.
              type: bool
              sample: true
            valid_now:
              description: Whether the bank's checksum is valid now.
              type: bool
              sample: true
    last_apply:
      description: The journal's last apply; returned only once the journal holds one.
      type: dict
      returned: when the journal holds an apply
      contains:
        id:
          description: The apply's journal record.
          type: str
          sample: 2026-01-31T10:20:30Z-4711
        time:
          description: When it was made, UTC.
          type: str
          sample: "2026-01-31T10:20:30Z"
        state:
          description: What became of it.
          type: str
          choices: [committed, rolled_back, open]
          sample: committed
    settings:
      description: Every setting, in the order of the settings file.
      type: list
      elements: dict
      contains:
        name:
          description: The setting's name.
          type: str
          sample: Turbo Mode
        booted:
          description: The value this boot booted with; null when unknown (no record of this boot). The empty
            string when the setting was not present.
          type: str
          sample: Enabled
        next_boot:
          description: The value now in CMOS, which the next boot reads; the empty string when not present.
          type: str
          sample: Disabled
        pending:
          description: Whether next_boot differs from booted.
          type: bool
          sample: true
        changed_outside:
          description: Whether CMOS has changed since the tool last wrote the setting, by other means.
          type: bool
          sample: false
        last_written:
          description: The tool's last write of the setting, from its journal; null when none.
          type: dict
          contains:
            value:
              description: The value written.
              type: str
              sample: Disabled
            time:
              description: When, UTC.
              type: str
              sample: "2026-01-31T10:20:30Z"
            by:
              description: Who ran the tool.
              type: str
              sample: uid 0
            this_boot:
              description: Whether the write was made during this boot.
              type: bool
              sample: true
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.fleet.cmoscfg.plugins.module_utils.cmoscfg_tool import (
    checksums_valid, read_state, read_status)


def main():
    module = AnsibleModule(
        argument_spec=dict(cmoscfg=dict(type='str', default='cmoscfg')),
        supports_check_mode=True,
    )
    state = read_state(module)
    current = {}
    for setting in state['settings']:
        current.setdefault(setting['name'], setting['value'])
    status = read_status(module)
    module.exit_json(changed=False, platform=state['platform'], settings_file=state['settings_file'],
                     settings=state['settings'], current=current, status=status,
                     pending_reboot=status['pending_reboot'], boot_record=status.get('boot_record') is not None,
                     checksums_valid=checksums_valid(status))


if __name__ == '__main__':
    main()
