// SPDX-License-Identifier: GPL-2.0-or-later
// Token writes on the in-memory machine: the order of the writes and the
// lock around them, field writes, and what is refused before anything is
// written. The checksum results themselves are checked end to end.
#include <csignal>
#include <gtest/gtest.h>

#include "hw/token_write.hpp"
#include "support/capture.hpp"
#include "support/engine_run.hpp"

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

void give_banks(engine_run& run)
{
    run.machine.cmos[0x70] = std::vector<std::uint8_t>(256, 0);
    run.machine.cmos[0x72] = std::vector<std::uint8_t>(256, 0);
    run.token_table = d4_token_table(two_banks);
}

// The token byte and the word are written back to back, nothing read in
// between, so that a run killed there leaves the checksum wrong for as short a
// time as can be.
void expect_no_read_between_the_writes(memory_machine& m)
{
    ASSERT_EQ(m.reads_at_write.size(), 3u);
    EXPECT_EQ(m.reads_at_write.front(), m.reads_at_write.back());
    m.reads_at_write.clear();
}

TEST(TokenWrite, TheByteThenTheWordAreWrittenUnderTheRunsLock)
{
    engine_run run;
    give_banks(run);
    memory_machine& m = run.machine;
    run.update_method = UPDATE_METHOD_DIRECT;
    m.cmos[0x70][0x40] = 0x01;
    set_d4_token(run.tokens(), 0x70, 0x40, 0xFE, 0x00);  // -1 under a word of 0x0000
    EXPECT_EQ(m.writes, (write_log{{0x70, 0x40, 0x00}, {0x70, 0x3E, 0xFF}, {0x70, 0x3F, 0xFF}}));
    // The byte and the word: the bank's range, whose sum only a trace shows, is not read.
    EXPECT_EQ(m.cmos_reads, 3);
    expect_no_read_between_the_writes(m);

    // A token byte that is a byte of the word itself: the word is adjusted
    // from its new value.
    m.writes.clear();
    m.cmos[0x70][0x3E] = 0x12;
    m.cmos[0x70][0x3F] = 0x34;
    set_d4_token(run.tokens(), 0x70, 0x3F, 0x00, 0x50);
    EXPECT_EQ(m.writes, (write_log{{0x70, 0x3F, 0x50}, {0x70, 0x3E, 0x12}, {0x70, 0x3F, 0x6C}}));
    expect_no_read_between_the_writes(m);

    // Standard: the sum of 0x80..0x8F, high byte first.
    run.update_method = UPDATE_METHOD_STANDARD;
    m.writes.clear();
    m.cmos[0x72][0x80] = 0x31;
    m.cmos[0x72][0x8F] = 0xF0;
    set_d4_token(run.tokens(), 0x72, 0x80, 0xFC, 0x02);
    EXPECT_EQ(m.writes, (write_log{{0x72, 0x80, 0x32}, {0x72, 0xFE, 0x01}, {0x72, 0xFF, 0x22}}));
    expect_no_read_between_the_writes(m);

    // The lock is taken at the first write and held until the run ends.
    EXPECT_EQ(m.locks_taken, 1);
    EXPECT_EQ(m.writes_outside_lock, 0);
    EXPECT_TRUE(m.locked);
    run.writes.finish();
    EXPECT_FALSE(m.locked);
}

TEST(TokenWrite, RefusalsComeBeforeAnyWrite)
{
    struct {
        const char* what;
        int index_port;
        std::vector<token_entry> table;
        checksum_update_method method;
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
        {"no update method", 0x70, two_banks, checksum_update_method::unset,
         "\nerror:  reached end of set_d4_token, but no update method was set\n"},
    };
    for (const auto& c : cases) {
        engine_run run;
        give_banks(run);
        run.token_table = d4_token_table(c.table);
        run.update_method = c.method;
        captured_run r = capture_run([&] { set_d4_token(run.tokens(), c.index_port, 0x40, 0xFE, 0x01); });
        EXPECT_EQ(r.exit_status, 1) << c.what;
        EXPECT_EQ(r.out, c.out) << c.what;
        EXPECT_TRUE(run.machine.writes.empty()) << c.what;
    }
}

TEST(TokenWrite, FieldWritesPlaceTheValueAtTheMasksLowestBit)
{
    engine_run run;
    give_banks(run);
    memory_machine& m = run.machine;
    m.cmos[0x72][0x81] = 0xA5;
    set_d4_field(run.tokens(), 0x72, 0x81, 0xF0, 3);
    EXPECT_EQ(m.cmos[0x72][0x81], 0x35);
    set_d4_field(run.tokens(), 0x72, 0x81, 0x0F, 3);
    EXPECT_EQ(m.cmos[0x72][0x81], 0x33);
    set_d4_field(run.tokens(), 0x72, 0x81, 0x18, 0xFF);  // bits beyond the mask are dropped
    EXPECT_EQ(m.cmos[0x72][0x81], 0x3B);
    EXPECT_EQ(m.cmos[0x72][0xFE] * 256 + m.cmos[0x72][0xFF], 0x3B);
    EXPECT_EQ(m.locks_taken, 1);
}

TEST(TokenWrite, FieldWriteRefusesAZeroMaskBeforeTouchingCmos)
{
    engine_run run;
    give_banks(run);
    memory_machine& m = run.machine;
    captured_run r = capture_run([&] { set_d4_field(run.tokens(), 0x72, 0x81, 0, 3); });
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "Error: mask 0 selects no bits of the CMOS byte.\n");
    EXPECT_EQ(m.cmos_reads, 0);
    EXPECT_TRUE(m.writes.empty());
    EXPECT_EQ(m.locks_taken, 0);
}

TEST(TokenWrite, SignalsAreHeldForEachWriteAndTheLockUntilTheRunEnds)
{
    engine_run run;
    give_banks(run);
    memory_machine& m = run.machine;
    run.update_method = UPDATE_METHOD_DIRECT;
    set_d4_token(run.tokens(), 0x70, 0x40, 0xFE, 0x01);
    sigset_t held;
    sigprocmask(SIG_BLOCK, nullptr, &held);
    EXPECT_FALSE(sigismember(&held, SIGTERM));   // between two writes a signal acts
    set_d4_token(run.tokens(), 0x72, 0x80, 0xFC, 0x02);
    EXPECT_TRUE(m.locked);
    EXPECT_EQ(m.locks_taken, 1);
    EXPECT_EQ(m.writes.size(), 6u);
    EXPECT_EQ(m.writes_outside_lock, 0);
    run.writes.finish();
    EXPECT_FALSE(m.locked);
}

}  // namespace
