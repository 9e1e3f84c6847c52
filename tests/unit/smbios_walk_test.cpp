// SPDX-License-Identifier: GPL-2.0-or-later
// The structure walk over well-formed and malformed tables. Malformed tables
// must end the walk without reading past the table (run under AddressSanitizer
// by `make test-asan`).
#include <gtest/gtest.h>

#include "hw/smbios_walk.hpp"

namespace {

std::vector<token_entry> walk(const std::vector<std::uint8_t>& table)
{
    std::vector<token_entry> tokens;
    // An exact-size heap copy, so that AddressSanitizer sees any read past it.
    std::vector<std::uint8_t> copy(table);
    copy.shrink_to_fit();
    walk_smbios_table(copy, [&tokens](const token_entry& e) { tokens.push_back(e); });
    return tokens;
}

const std::vector<std::uint8_t> d4_header = {0xD4, 0x11, 0x00, 0xD4, 0x70, 0x00, 0x71, 0x00, 0x00, 0x10, 0x2D, 0x2E};

std::vector<std::uint8_t> cat(std::initializer_list<std::vector<std::uint8_t>> parts)
{
    std::vector<std::uint8_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(SmbiosWalk, FillsEntriesFromTheHeaderAndEachRecord)
{
    auto tokens = walk(cat({d4_header, {0x41, 0x00, 0x1B, 0xFE, 0x01}, {0x42, 0x01, 0x1C, 0xFC, 0x02},
                            {0xFF, 0xFF, 0, 0, 0}, {0, 0}}));
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0].index_port, 0x70);
    EXPECT_EQ(tokens[0].data_port, 0x71);
    EXPECT_EQ(tokens[0].checksum_start, 0x10);
    EXPECT_EQ(tokens[0].checksum_end, 0x2D);
    EXPECT_EQ(tokens[0].checksum_location, 0x2E);
    EXPECT_EQ(tokens[0].token_id, 0x0041);
    EXPECT_EQ(tokens[1].token_id, 0x0142);
    EXPECT_EQ(tokens[1].location, 0x1C);
    EXPECT_EQ(tokens[1].and_mask, 0xFC);
    EXPECT_EQ(tokens[1].or_mask, 0x02);
}

TEST(SmbiosWalk, TheTokenListIsBoundedByItsTerminatorNotTheFormattedLength)
{
    // Formatted length 0x0C claims no records; the list still has one. The
    // three bytes after the terminating id are not part of the list.
    auto table = cat({d4_header, {0x41, 0x00, 0x1B, 0xFE, 0x01}, {0xFF, 0xFF}, {0, 0}});
    table[1] = 0x0C;
    auto tokens = walk(table);
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].token_id, 0x41);
}

TEST(SmbiosWalk, AStructureStartingInsideTheListBeforeItGivesNoTokens)
{
    // Twenty 20-byte D4 structures whose lists all run on to the terminator
    // in the last one. The first list reads 76 records through the others'
    // bytes; the structures inside it add none (each re-reading the rest of
    // the list would make 760).
    std::vector<std::uint8_t> table;
    for (int k = 0; k < 20; ++k) {
        std::vector<std::uint8_t> record = {0x41, 0x00, 0x1B, 0xFE, 0x01};
        if (k == 19)
            record = {0xFF, 0xFF, 0, 0, 0};
        auto structure = cat({d4_header, record, {'a', 0, 0}});
        table.insert(table.end(), structure.begin(), structure.end());
    }
    EXPECT_EQ(walk(table).size(), 76u);
}

TEST(SmbiosWalk, AFirstIdOfFFFFGivesNoEntriesAndTheNextStructureIsFound)
{
    auto second = d4_header;
    second[4] = 0x72;
    auto tokens = walk(cat({d4_header, {0xFF, 0xFF, 0, 0, 0}, {0, 0},   // no strings
                            second, {0x07, 0x00, 0x80, 0xFE, 0x01}, {0xFF, 0xFF, 0, 0, 0}, {'a', 0, 0}}));
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].index_port, 0x72);
}

TEST(SmbiosWalk, MalformedTablesStopTheWalkInsideTheTable)
{
    const std::vector<std::uint8_t> record = {0x41, 0x00, 0x1B, 0xFE, 0x01};
    struct malformed {
        const char* what;
        std::vector<std::uint8_t> table;
        std::size_t tokens;
    };
    const malformed cases[] = {
        {"list without terminator", cat({d4_header, record}), 1},
        {"record cut short", cat({d4_header, record, {0x42, 0x00, 0x1B}}), 1},
        {"terminator id cut in half", cat({d4_header, record, {0xFF}}), 1},
        {"header cut short", {0xD4, 0x11, 0x00, 0xD4, 0x70}, 0},
        {"only a type byte", {0xD4}, 0},
        {"strings without double zero", cat({{0x01, 0x04, 0x00, 0x01}, {'a', 'b', 0, 'c'}}), 0},
        {"formatted length past the end", {0x01, 0xF0, 0x00, 0x01, 0x00, 0x00}, 0},
        {"no string set at all", {0x01, 0x04, 0x00, 0x01}, 0},
        {"d4 then garbage", cat({d4_header, record, {0xFF, 0xFF, 0, 0, 0}, {0x7F}}), 1},
    };
    for (const malformed& c : cases)
        EXPECT_EQ(walk(c.table).size(), c.tokens) << c.what;
}

TEST(SmbiosWalk, AnEmptyTableHasNoTokens)
{
    EXPECT_TRUE(walk({}).empty());
}

}  // namespace
