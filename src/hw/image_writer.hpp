// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>

#include "hw/cmos_snapshot.hpp"
#include "hw/platform_record.hpp"
#include "lib/staged_directory.hpp"

// The parts of a machine image, in the format that CMOSCFG_IMAGE reads (see
// tools/README.md), written into a directory under construction.

// Files "mem" and "mem.ranges": every byte that the SMBIOS scan of machine m
// reads (the segment 0xF0000..0xFFFFF and the structure table of each
// anchor), as ranges stored one after another, and where each belongs (see
// memory_ranges.hpp): no hole and nothing that was not read, wherever the
// table lies. Returns the length of the table that the scan settles on.
std::size_t write_image_memory(machine& m, staged_directory& image);

// File "cmos": the snapshot's bytes at offset port * 256 + location; every
// byte that was not read is 0xFF, as a byte past the end of the file reads.
void write_image_cmos(staged_directory& image, const cmos_snapshot& snapshot);

// File "platform": the platform record.
void write_image_platform(staged_directory& image, const platform_record& record);
