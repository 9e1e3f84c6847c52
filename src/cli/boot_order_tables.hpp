// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <array>

// The older platforms keep their boot order in CMOS as eight slots, each a
// small bit field of some CMOS byte that holds a device number assigned by the
// BIOS at start-up.
constexpr int BOOT_DEVICE_COUNT = 8;

// Where one slot lives: the bank's index port, the CMOS location, and the bits
// of the field (not inverted). The device number sits at the mask's lowest set
// bit.
struct boot_device_row {
    int index_port;
    int location;
    int mask;
};

// Slots 1..BOOT_DEVICE_COUNT in order.
using boot_device_table = std::array<boot_device_row, BOOT_DEVICE_COUNT>;

// The slot layouts that platforms choose in the platform table. The K2A07
// layout is also shown by the bootorder_raw usage text.
extern const boot_device_table k2a07_boot_devices;  // K2A07 and K2B07
extern const boot_device_table k2c07_boot_devices;
extern const boot_device_table k2c08_boot_devices;
// The fifth layout of the boot-order data; the bootorder usage has always named
// k2c09 among the supported platforms, and no other platform has a layout left.
extern const boot_device_table k2c09_boot_devices;
extern const boot_device_table k2e07_boot_devices;
