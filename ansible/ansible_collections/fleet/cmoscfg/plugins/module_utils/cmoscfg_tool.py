# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see COPYING or https://www.gnu.org/licenses/gpl-3.0.txt)
# Running the cmoscfg tool on the managed host and reading its state.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json


def tool_path(module):
    """The tool to run: the cmoscfg option as given when it names a path, else found on PATH."""
    name = module.params['cmoscfg']
    if '/' in name:
        return name
    return module.get_bin_path(name, required=True)


def run_tool(module, *words, **report):
    """Runs the tool with these words; fails the host with its output (and report) when it ends in an error."""
    command = [tool_path(module)] + list(words)
    rc, out, err = module.run_command(command, encoding='utf-8', errors='surrogate_or_strict')
    if rc != 0:
        # The tool prints its errors on standard output.
        module.fail_json(msg='%s ended with status %d: %s' % (' '.join(command[1:]), rc, (out + err).strip()),
                         rc=rc, stdout=out, stderr=err, cmd=command, **report)
    return out


def read_state(module):
    """The document of `cmoscfg setting json`: platform, settings file and every setting."""
    out = run_tool(module, 'setting', 'json')
    try:
        return json.loads(out)
    except ValueError as error:
        module.fail_json(msg='cmoscfg setting json printed no JSON document: %s' % error, stdout=out)


def settings_by_name(state):
    """Every setting of the document under its name; a name the settings file repeats has several entries."""
    by_name = {}
    for setting in state['settings']:
        by_name.setdefault(setting['name'], []).append(setting)
    return by_name


def present_value(entries):
    """The value of a setting the machine has, or None when it has no such setting (or none of its values is set)."""
    if not entries:
        return None
    return entries[0]['value']


def similar_name(by_name, name):
    """A setting name that differs from name in letter case only, or None."""
    wanted = name.lower()
    for candidate in by_name:
        if candidate.lower() == wanted:
            return candidate
    return None
