# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# Copyright: (c) 2026, The cmoscfg developers
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# What the status document says of the checksums, and when it cannot say.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import pytest

from ansible_collections.fleet.cmoscfg.plugins.module_utils.cmoscfg_tool import checksums_valid


def bank(port, valid_now):
    return {'port': port, 'valid_at_boot': True, 'valid_now': valid_now}


@pytest.mark.parametrize('record, valid', [
    ({'banks': [bank(112, True), bank(114, True)]}, True),
    ({'banks': [bank(112, True), bank(114, False)]}, False),
    ({'banks': [bank(112, None), bank(114, False)]}, False),
    ({'banks': [bank(112, True), bank(114, None)]}, None),
    # The direct update method: the firmware's own sum, which the tool does not judge.
    ({'banks': []}, None),
    # No record of this boot.
    (None, None),
])
def test_checksums_are_valid_when_every_bank_says_so_and_unknown_when_none_or_one_cannot(record, valid):
    assert checksums_valid({'pending_reboot': False, 'boot_record': record, 'settings': []}) is valid
