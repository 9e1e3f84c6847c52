// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hw/machine.hpp"

// Physical memory kept as the ranges that were read, for a machine image that
// stays small on disk and in transit wherever the table lies: "mem" holds the
// bytes of the ranges one after another, and "mem.ranges" says where each
// belongs:
//
//   size 100000
//   f0000 10000
//   7ff00000 1f3
//
// (hexadecimal: the size of the memory, then one line "ADDRESS LENGTH" per
// range, in rising order, not overlapping). A byte below the size that no
// range holds reads as zero; the size is the end.
struct memory_range {
    std::uint64_t address;
    std::string bytes;
};

// Sorts the pieces and joins those that overlap or touch (a later piece's
// bytes win where they overlap; they are the same memory read again).
std::vector<memory_range> joined_ranges(std::vector<memory_range> pieces);

std::string format_memory_ranges(const std::vector<memory_range>& ranges, std::uint64_t size);

// The memory of an image with a "mem.ranges" index, read from mem_fd (which it
// then owns); nullptr, with the problem described and mem_fd left open, when
// the index is malformed or does not match "mem".
std::unique_ptr<physical_memory> open_memory_ranges(int mem_fd, const std::string& index, std::string& problem);
