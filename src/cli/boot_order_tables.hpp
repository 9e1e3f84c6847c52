#pragma once

#include <array>
#include <string>

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

// The slot layout of the platform, chosen by exact name; nullptr for a
// platform whose boot order is not known.
const boot_device_table* boot_device_table_for(const std::string& platform);

// The layout of K2A07, also shown by the bootorder_raw usage text.
const boot_device_table& k2a07_boot_device_table();
