// SPDX-License-Identifier: GPL-2.0-or-later
// Which CMOS locations a capture reads, and that it reads them under the
// CMOS write lock. On the bank at 0x70 an index of 0x80 or more also masks
// the NMI on real chipsets, so a location up there is read only when named.
#include <gtest/gtest.h>

#include "hw/cmos_snapshot.hpp"
#include "hw/update_method.hpp"
#include "support/memory_machine.hpp"

namespace {

std::vector<int> high_locations(const cmos_bank_snapshot& bank)
{
    std::vector<int> locations;
    for (int location = 0x80; location < 0x100; ++location) {
        if (bank.captured.test(static_cast<std::size_t>(location)))
            locations.push_back(location);
    }
    return locations;
}

TEST(CmosSnapshot, OnlyNamedLocationsAbove7FAreReadAndUnderTheLock)
{
    // Bank 0x70: a token at 0x90, a checksum over 0x7E..0x81 stored at 0x84.
    // Bank 0x72: a checksum word at 0xFF, whose low byte wraps to 0x00.
    const std::vector<token_entry> tokens = {
        {0x70, 0x71, 0, 0x7E, 0x81, 0x84, 0x0001, 0x90, 0xFE, 0x01},
        {0x72, 0x73, 0, 0x40, 0x4F, 0xFF, 0x0002, 0x41, 0xFE, 0x01},
        {0x72, 0x73, 0, 0x90, 0x80, 0x50, 0x0003, 0x42, 0xFE, 0x01},  // reversed range: sums nothing
    };
    cmos_snapshot plan = cmos_snapshot_plan(tokens, UPDATE_METHOD_STANDARD);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0x70].captured.count(), 0x80u + 5u);
    EXPECT_EQ(high_locations(plan[0x70]), (std::vector<int>{0x80, 0x81, 0x84, 0x85, 0x90}));
    EXPECT_EQ(plan[0x72].captured.count(), 0x80u + 1u);
    EXPECT_EQ(high_locations(plan[0x72]), (std::vector<int>{0xFF}));

    // The direct method's word at 0x70:0x3E/0x3F brings in its bank.
    EXPECT_EQ(cmos_snapshot_plan({}, UPDATE_METHOD_STANDARD).size(), 0u);
    cmos_snapshot direct = cmos_snapshot_plan({}, UPDATE_METHOD_DIRECT);
    ASSERT_EQ(direct.size(), 1u);
    EXPECT_EQ(direct[0x70].captured.count(), 0x80u);

    memory_machine m;
    m.cmos[0x70] = std::vector<std::uint8_t>(256, 0x5A);
    read_cmos_snapshot(m, plan);
    EXPECT_EQ(m.cmos_reads, 0x80 + 5 + 0x80 + 1);
    EXPECT_EQ(m.reads_outside_lock, 0);
    EXPECT_EQ(m.locks_taken, 1);
    EXPECT_FALSE(m.locked);
    EXPECT_EQ(plan[0x70].bytes[0x90], 0x5A);
    EXPECT_EQ(plan[0x70].bytes[0x91], 0x00);  // not read
    EXPECT_EQ(plan[0x72].bytes[0xFF], 0xFF);  // a bank the machine lacks
}

}  // namespace
