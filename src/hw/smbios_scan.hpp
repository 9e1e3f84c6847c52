// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "hw/machine.hpp"

// Physical range searched for the SMBIOS 2.x entry point anchor "_SM_".
constexpr std::uint64_t SMBIOS_SCAN_START = 0xF0000;
constexpr std::uint64_t SMBIOS_SCAN_END = 0x100000;

// Finds the SMBIOS structure table in physical memory and returns a copy of
// it; empty when no anchor is found. When several anchors are found, the table
// of the last one is returned. A tool_error on read errors.
std::vector<std::uint8_t> find_smbios_table(machine& m);

// Physical memory of m, opened for the scan; a tool_error with a message
// and the likely cause when it cannot be opened.
std::unique_ptr<physical_memory> open_physical_memory_or_end(machine& m);

// The scan of find_smbios_table on memory that is open already.
std::vector<std::uint8_t> find_smbios_table_in(physical_memory& memory);
