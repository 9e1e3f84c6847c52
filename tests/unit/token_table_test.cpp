// SPDX-License-Identifier: GPL-2.0-or-later
// The lookup by id: a table may repeat an id, and the first entry is the one
// that names the token.
#include <gtest/gtest.h>

#include "hw/token_table.hpp"

namespace {

token_entry with_id(std::uint16_t id, std::uint8_t location)
{
    return {0x70, 0x71, 0, 0x40, 0x4F, 0x3E, id, location, 0xFE, 0x01};
}

TEST(TokenTable, FindsTheFirstEntryOfAnIdAndNothingElse)
{
    const d4_token_table table({with_id(0x0200, 0x40), with_id(0x0001, 0x41), with_id(0x0200, 0x42),
                                with_id(0xFFFF, 0x43), with_id(0x0000, 0x44)});
    EXPECT_EQ(table.find_d4_token(0x0200), 0);
    EXPECT_EQ(table.find_d4_token(0x0001), 1);
    EXPECT_EQ(table.find_d4_token(0xFFFF), 3);
    EXPECT_EQ(table.find_d4_token(0x0000), 4);
    for (int absent : {0x0002, 0x01FF, -1, 0x10000, 0x10200})
        EXPECT_EQ(table.find_d4_token(absent), -1) << absent;
    EXPECT_EQ(d4_token_table().find_d4_token(0), -1);
}

}  // namespace
