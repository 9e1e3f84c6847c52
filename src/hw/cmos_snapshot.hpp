// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <map>
#include <vector>

#include "hw/machine.hpp"
#include "hw/token_entry.hpp"
#include "hw/update_method.hpp"

// The CMOS bytes of one bank that a capture keeps.
struct cmos_bank_snapshot {
    std::bitset<256> captured;          // the locations read
    std::array<std::uint8_t, 256> bytes{};  // their bytes; the others stay 0
};

// By index port.
using cmos_snapshot = std::map<std::uint16_t, cmos_bank_snapshot>;

// The locations a capture reads: of every bank whose index port a token names,
// locations 0x00..0x7F, and above them only the locations that a token, a
// checksum range or a checksum word (both bytes) of that bank names. On the
// bank at 0x70 an index with bit 7 set also masks the NMI on real chipsets,
// so nothing else may be read. The direct update method adds the bank at
// 0x70, whose word at 0x3E/0x3F it adjusts on every write.
cmos_snapshot cmos_snapshot_plan(const std::vector<token_entry>& tokens, checksum_update_method update_method);

// Reads the planned locations of m while holding the
// CMOS write lock, so that a concurrent cmoscfg write cannot tear the copy.
void read_cmos_snapshot(machine& m, cmos_snapshot& snapshot);
