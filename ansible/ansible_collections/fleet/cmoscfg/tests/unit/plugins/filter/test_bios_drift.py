# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# The drift matrix as CSV: settings in the order the hosts first name them,
# and every text cell a spreadsheet could run as a formula kept as text.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import csv
import io

from ansible_collections.fleet.cmoscfg.plugins.filter.bios_drift import bios_drift, bios_drift_csv

LINK = '=HYPERLINK("http://example.invalid","click")'


def test_the_csv_guards_every_cell_that_could_start_a_formula_and_keeps_the_order_of_names():
    drift = bios_drift([
        {'host': 'h1', 'current': {'Boot Delay': '-1', 'Note': LINK}},
        {'host': 'h2', 'error': 'unreachable'},
        {'host': 'h3', 'current': {'@Asset Tag': '@SUM(A1)', 'Boot Delay': '-1', 'Note': '\tplain'}},
        {'host': 'h4', 'current': {'Note': 'plain', '@Asset Tag': '@SUM(A1)', 'Boot Delay': '\r-1'}},
    ])
    # Read back as a spreadsheet would: a carriage return must be quoted to stay in its cell.
    rows = list(csv.reader(io.StringIO(bios_drift_csv(drift), newline='')))
    assert rows == [
        ['setting', 'baseline', 'h1', 'h3', 'h4', 'differing'],
        ['Boot Delay', "'-1", "'-1", "'-1", "'\r-1", '1'],
        # A tie: the baseline is the value of the first host.
        ['Note', "'" + LINK, "'" + LINK, "'\tplain", 'plain', '2'],
        ["'@Asset Tag", "'@SUM(A1)", '', "'@SUM(A1)", "'@SUM(A1)", '1'],
        ['differing', '', '1', '1', '2', ''],
    ]
