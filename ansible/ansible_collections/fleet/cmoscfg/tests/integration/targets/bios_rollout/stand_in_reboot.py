# -*- coding: utf-8 -*-
# SPDX-License-Identifier: GPL-3.0-or-later
# A reboot of the machine image that CMOSCFG_IMAGE names, standing in for
# ansible.builtin.reboot: optionally the firmware changes a CMOS byte at boot
# (as firmware does, behind the tool's back, so nothing is journaled), then
# the image gets a new boot id and the boot unit's boot record is made.
# Usage: stand_in_reboot.py CMOSCFG [--firmware-sets PORT:LOCATION:ANDMASK:ORMASK]
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import argparse
import os
import subprocess
import uuid

# The direct update method of the demo machine (K2A07): the word at 0x3E/0x3F
# of the bank at 0x70, high byte first, is the sum of locations 0x40..0x7F.
DIRECT_BANK, DIRECT_FIRST, DIRECT_LAST, DIRECT_WORD = 0x70, 0x40, 0x7F, 0x3E


def firmware_sets(cmos_path, port, location, and_mask, or_mask):
    with open(cmos_path, 'r+b') as cmos:
        data = bytearray(cmos.read())
        data[port * 256 + location] = (data[port * 256 + location] & and_mask) | or_mask
        if port == DIRECT_BANK:
            base = DIRECT_BANK * 256
            total = sum(data[base + DIRECT_FIRST:base + DIRECT_LAST + 1]) & 0xFFFF
            data[base + DIRECT_WORD:base + DIRECT_WORD + 2] = bytearray([total >> 8, total & 0xFF])
        cmos.seek(0)
        cmos.write(data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('cmoscfg')
    parser.add_argument('--firmware-sets')
    args = parser.parse_args()
    image = os.environ['CMOSCFG_IMAGE']
    if args.firmware_sets:
        firmware_sets(os.path.join(image, 'cmos'), *(int(number, 16) for number in args.firmware_sets.split(':')))
    with open(os.path.join(image, 'boot_id'), 'w') as boot_id:
        boot_id.write('%s\n' % uuid.uuid4())
    subprocess.check_call([args.cmoscfg, 'boot-record', '--at-boot'])


if __name__ == '__main__':
    main()
