// Token writes and checksum repair on the in-memory machine: which bytes are
// written, by which update method, under the write lock, and what is refused
// before anything is written.
#include <gtest/gtest.h>

#include "hw/cmos_write_guard.hpp"
#include "hw/token_table.hpp"
#include "hw/token_write.hpp"
#include "hw/update_method.hpp"
#include "lib/debug_trace.hpp"
#include "support/capture.hpp"
#include "support/memory_machine.hpp"

namespace {

using write_log = std::vector<memory_machine::cmos_write>;

// Bank 0x70 with its checksum over 0x40..0x4F at 0x3E/0x3F (so the word of
// the direct method and the bank's own checksum coincide), bank 0x72 over
// 0x80..0x8F at 0xFE/0xFF.
const std::vector<token_entry> two_banks = {
    {0x70, 0x71, 0, 0x40, 0x4F, 0x3E, 0x0001, 0x40, 0xFE, 0x01},
    {0x70, 0x71, 0, 0x40, 0x4F, 0x3E, 0x0002, 0x40, 0xFE, 0x00},
    {0x72, 0x73, 0, 0x80, 0x8F, 0xFE, 0x0040, 0x80, 0xFC, 0x02},
};

memory_machine& machine_with_banks()
{
    memory_machine& m = install_memory_machine();
    m.cmos[0x70] = std::vector<std::uint8_t>(256, 0);
    m.cmos[0x72] = std::vector<std::uint8_t>(256, 0);
    set_token_table(two_banks);
    return m;
}

void store_word(memory_machine& m, std::uint16_t port, std::uint8_t high_location, int word)
{
    m.cmos[port][high_location] = static_cast<std::uint8_t>(word >> 8);
    m.cmos[port][static_cast<std::uint8_t>(high_location + 1)] = static_cast<std::uint8_t>(word);
}

TEST(TokenWrite, DirectMethodAdjustsTheFixedWordByTheByteChange)
{
    memory_machine& m = machine_with_banks();
    update_method = UPDATE_METHOD_DIRECT;
    m.cmos[0x72][0x80] = 0x31;
    store_word(m, 0x70, 0x3E, 0x12FF);
    set_d4_token(0x72, 0x80, 0xFC, 0x02);  // 0x31 -> 0x32: +1, carried into the high byte
    EXPECT_EQ(m.writes, (write_log{{0x72, 0x80, 0x32}, {0x70, 0x3E, 0x13}, {0x70, 0x3F, 0x00}}));

    // A byte lowered by 1 under a word of 0x0000 wraps to 0xFFFF.
    m.writes.clear();
    store_word(m, 0x70, 0x3E, 0x0000);
    m.cmos[0x70][0x40] = 0x01;
    set_d4_token(0x70, 0x40, 0xFE, 0x00);
    EXPECT_EQ(m.writes, (write_log{{0x70, 0x40, 0x00}, {0x70, 0x3E, 0xFF}, {0x70, 0x3F, 0xFF}}));

    // A token already set: byte and word are rewritten unchanged.
    m.writes.clear();
    set_d4_token(0x70, 0x40, 0xFE, 0x00);
    EXPECT_EQ(m.writes, (write_log{{0x70, 0x40, 0x00}, {0x70, 0x3E, 0xFF}, {0x70, 0x3F, 0xFF}}));
    EXPECT_EQ(m.writes_outside_lock, 0);
    EXPECT_EQ(m.locks_taken, 3);
    EXPECT_FALSE(m.locked);
}

TEST(TokenWrite, DirectMethodCountsOnlyTheByteThatIsStored)
{
    memory_machine& m = machine_with_banks();
    update_method = UPDATE_METHOD_DIRECT;
    store_word(m, 0x70, 0x3E, 0x0100);
    // An OR mask beyond a byte, or negative masks, reach the port as 8 bits;
    // the word follows the stored byte, not the wider number.
    set_d4_token(0x70, 0x41, 0xFE, 0x101);
    set_d4_token(0x70, 0x42, -1, -1);
    EXPECT_EQ(m.writes, (write_log{{0x70, 0x41, 0x01},
                                   {0x70, 0x3E, 0x01},
                                   {0x70, 0x3F, 0x01},
                                   {0x70, 0x42, 0xFF},
                                   {0x70, 0x3E, 0x02},
                                   {0x70, 0x3F, 0x00}}));
}

TEST(TokenWrite, StandardMethodStoresTheRecomputedSumOfTheFirstEntryWithThePort)
{
    memory_machine& m = machine_with_banks();
    update_method = UPDATE_METHOD_STANDARD;
    m.cmos[0x72][0x80] = 0x31;
    m.cmos[0x72][0x8F] = 0xF0;
    store_word(m, 0x72, 0xFE, 0xBEEF);  // wrong before the write: repaired all the same
    set_d4_token(0x72, 0x80, 0xFC, 0x02);
    // Low byte at 0xFF + 1, which is location 0x00 of the bank.
    EXPECT_EQ(m.writes, (write_log{{0x72, 0x80, 0x32}, {0x72, 0xFE, 0x01}, {0x72, 0xFF, 0x22}}));

    // A second structure on port 0x70 with another range: the first one counts,
    // whichever structure the written token belongs to.
    std::vector<token_entry> shared = two_banks;
    shared.push_back({0x70, 0x71, 0, 0x50, 0x5F, 0x60, 0x0003, 0x55, 0xFE, 0x01});
    set_token_table(shared);
    m.writes.clear();
    m.cmos[0x70][0x45] = 0x10;
    set_d4_token(0x70, 0x55, 0xFE, 0x01);
    EXPECT_EQ(m.writes, (write_log{{0x70, 0x55, 0x01}, {0x70, 0x3E, 0x00}, {0x70, 0x3F, 0x10}}));
    EXPECT_EQ(m.writes_outside_lock, 0);
}

TEST(TokenWrite, RefusalsComeBeforeAnyWrite)
{
    struct {
        const char* what;
        int index_port;
        std::vector<token_entry> table;
        int method;
        const char* out;
    } cases[] = {
        {"unknown port", 0x74, two_banks, UPDATE_METHOD_DIRECT,
         "error:  failed to find anything in the token table with index port 74\n"},
        {"port beyond 16 bits", 0x10070, two_banks, UPDATE_METHOD_DIRECT,
         "error:  failed to find anything in the token table with index port 10070\n"},
        {"empty table", 0x70, {}, UPDATE_METHOD_STANDARD,
         "error:  failed to find anything in the token table with index port 70\n"},
        {"reversed range", 0x70, {{0x70, 0x71, 0, 0x4F, 0x40, 0x3E, 0x0001, 0x40, 0xFE, 0x01}}, UPDATE_METHOD_DIRECT,
         "Attempted to calculate checksum, but loc_start (4f) > loc_end (40)\n"},
        {"no update method", 0x70, two_banks, 0, "\nerror:  reached end of set_d4_token, but no update method was set\n"},
    };
    for (const auto& c : cases) {
        memory_machine& m = machine_with_banks();
        set_token_table(c.table);
        update_method = c.method;
        captured_run r = capture_run([&] { set_d4_token(c.index_port, 0x40, 0xFE, 0x01); });
        EXPECT_EQ(r.exit_status, 1) << c.what;
        EXPECT_EQ(r.out, c.out) << c.what;
        EXPECT_TRUE(m.writes.empty()) << c.what;
        EXPECT_FALSE(m.locked) << c.what;
    }
}

TEST(TokenWrite, DebugTraceFollowsTheSearchAndBothSums)
{
    memory_machine& m = machine_with_banks();
    std::vector<token_entry> table = {
        {0x72, 0x73, 0, 0x80, 0x8F, 0xFE, 0x0040, 0x80, 0xFC, 0x02},
        {0x72, 0x73, 0, 0x80, 0x8F, 0xFE, 0x0041, 0x80, 0xFC, 0x01},
        {0x74, 0x75, 1, 0x00, 0x0F, 0x10, 0x0042, 0x01, 0xFE, 0x01},
        {0x70, 0x71, 2, 0x40, 0x4F, 0x3E, 0x00A1, 0x4A, 0x7F, 0x80},
        {0x70, 0x71, 0, 0x40, 0x4F, 0x3E, 0x00A2, 0x4A, 0x7F, 0x00},
    };
    set_token_table(table);
    update_method = UPDATE_METHOD_STANDARD;
    m.cmos[0x70][0x40] = 0x05;
    store_word(m, 0x70, 0x3E, 0x0102);
    debug_enabled = 1;
    captured_run r = capture_run([] { set_d4_token(0x70, 0x4A, 0x7F, 0x80); });
    debug_enabled = 0;
    EXPECT_EQ(r.exit_status, std::nullopt);
    EXPECT_EQ(r.out,
              "# DEBUG: checking token table.  0 : 72\n"
              "# DEBUG: checking token table.  1 : 72\n"
              "# DEBUG: checking token table.  2 : 74\n"
              "# DEBUG: checking token table.  3 : 70\n"
              "# DEBUG this idx is appropriate--> i=3   70/71:  csType 2 [40,4f] @3e  Token: 00a1  loc: 4a  and: 7f  "
              "or: 80\n"
              "# DEBUG:  reading from idx port:  70  cs_loc  3e\n\n"
              "# DEBUG:  cshi: 01\n"
              "# DEBUG:  cslo: 02\n"
              "# DEBUG:  set_d4_token:  checksum starts out in memory:   0102\n"
              "# DEBUG:  set_d4_token:  checksum initially computed as:  0005\n"
              "# DEBUG:  set_d4_token:  checksum later recomputed as:    0085\n");
    EXPECT_EQ(m.cmos[0x70][0x3E], 0x00);
    EXPECT_EQ(m.cmos[0x70][0x3F], 0x85);
}

TEST(TokenWrite, FieldWritesPlaceTheValueAtTheMasksLowestBit)
{
    memory_machine& m = machine_with_banks();
    update_method = UPDATE_METHOD_STANDARD;
    m.cmos[0x72][0x81] = 0xA5;
    set_d4_field(0x72, 0x81, 0xF0, 3);
    EXPECT_EQ(m.cmos[0x72][0x81], 0x35);
    set_d4_field(0x72, 0x81, 0x0F, 3);
    EXPECT_EQ(m.cmos[0x72][0x81], 0x33);
    set_d4_field(0x72, 0x81, 0x18, 0xFF);  // bits beyond the mask are dropped
    EXPECT_EQ(m.cmos[0x72][0x81], 0x3B);
    EXPECT_EQ(m.cmos[0x72][0xFE] * 256 + m.cmos[0x72][0xFF], 0x3B);
    EXPECT_EQ(m.locks_taken, 3);
}

TEST(TokenWrite, FieldWriteRefusesAZeroMaskBeforeTouchingCmos)
{
    memory_machine& m = machine_with_banks();
    update_method = UPDATE_METHOD_STANDARD;
    captured_run r = capture_run([] { set_d4_field(0x72, 0x81, 0, 3); });
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "Error: mask 0 selects no bits of the CMOS byte.\n");
    EXPECT_EQ(m.cmos_reads, 0);
    EXPECT_TRUE(m.writes.empty());
    EXPECT_EQ(m.locks_taken, 0);
}

TEST(TokenWrite, AnOuterGuardHoldsTheLockOnceAroundSeveralWrites)
{
    memory_machine& m = machine_with_banks();
    update_method = UPDATE_METHOD_DIRECT;
    {
        cmos_write_guard outer;
        set_d4_token(0x70, 0x40, 0xFE, 0x01);
        set_d4_token(0x72, 0x80, 0xFC, 0x02);
        EXPECT_TRUE(m.locked);
    }
    EXPECT_FALSE(m.locked);
    EXPECT_EQ(m.locks_taken, 1);
    EXPECT_EQ(m.writes.size(), 6u);
    EXPECT_EQ(m.writes_outside_lock, 0);
}

}  // namespace
