# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# Running the cmoscfg tool on the managed host and reading its JSON documents.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os
from contextlib import contextmanager

# Variables that switch on the tool's traces, whatever their value, even
# empty. A play may set them for other programs; the module reads the tool's
# output, so it never passes them on.
TRACING_VARIABLES = ('DEBUG',)


def tool_path(module):
    """The tool to run: the cmoscfg option as given when it names a path, else found on PATH."""
    name = module.params['cmoscfg']
    if '/' in name:
        return name
    return module.get_bin_path(name, required=True)


@contextmanager
def tracing_withheld():
    """os.environ without the tracing variables for the span of one run_command, put back afterwards.

    run_command gives the tool a copy of os.environ updated by environ_update, which can add or replace a
    variable but never remove one, and a set variable traces even when empty; so the copy is taken while
    they are out. Only the module's own thread runs in between.
    """
    withheld = dict((name, os.environ.pop(name)) for name in TRACING_VARIABLES if name in os.environ)
    try:
        yield
    finally:
        os.environ.update(withheld)


def run_tool(module, *words):
    """Runs the tool with these words, without tracing; returns (command, status, stdout, stderr)."""
    command = [tool_path(module)] + list(words)
    with tracing_withheld():
        rc, out, err = module.run_command(command, encoding='utf-8', errors='surrogate_then_replace')
    return command, rc, out, err


def failure_text(command, rc, out, err):
    # The tool prints its errors on standard output.
    return '%s ended with status %d: %s' % (' '.join(command[1:]), rc, (out + err).strip())


def run_tool_or_fail(module, *words, **report):
    """Runs the tool; fails the host with its output (and report) when it ends in an error."""
    command, rc, out, err = run_tool(module, *words)
    if rc != 0:
        module.fail_json(msg=failure_text(command, rc, out, err), rc=rc, stdout=out, stderr=err, cmd=command, **report)
    return out


def json_document(out):
    """The JSON object the tool printed, or None when it printed none."""
    try:
        document = json.loads(out)
    except ValueError:
        return None
    return document if isinstance(document, dict) else None


def settings_state(out):
    """The document of `cmoscfg setting json`, or None when out is not one."""
    document = json_document(out)
    if document is None or not isinstance(document.get('settings'), list):
        return None
    return document


def read_state(module, **report):
    """The document of `cmoscfg setting json`: platform, settings file and every setting."""
    out = run_tool_or_fail(module, 'setting', 'json', **report)
    state = settings_state(out)
    if state is None:
        module.fail_json(msg='cmoscfg setting json printed no settings document', stdout=out, **report)
    return state


def status_document(out):
    """The document of `cmoscfg setting status --json`, or None when out is not one."""
    document = json_document(out)
    if document is None or not isinstance(document.get('pending_reboot'), bool) \
            or not isinstance(document.get('settings'), list):
        return None
    return document


def read_status(module, **report):
    """The document of `cmoscfg setting status --json`: the boot, its record, the last apply, every setting."""
    out = run_tool_or_fail(module, 'setting', 'status', '--json', **report)
    status = status_document(out)
    if status is None:
        module.fail_json(msg='cmoscfg setting status --json printed no status document', stdout=out, **report)
    return status


def checksums_valid(status):
    """Whether every bank's checksum holds now, by a status document; None when the tool cannot tell: without
    a record of this boot, or under an update method whose checksum it does not judge (no banks listed)."""
    record = status.get('boot_record')
    banks = record.get('banks') if isinstance(record, dict) else None
    if not banks or not isinstance(banks, list):
        return None
    valid = [bank.get('valid_now') if isinstance(bank, dict) else None for bank in banks]
    if any(value is False for value in valid):
        return False
    return True if all(value is True for value in valid) else None
