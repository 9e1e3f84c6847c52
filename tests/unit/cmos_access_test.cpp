// SPDX-License-Identifier: GPL-2.0-or-later
// CMOS byte access and the type-0 checksum on the in-memory machine.
#include <gtest/gtest.h>

#include "hw/cmos_access.hpp"
#include "lib/debug_trace.hpp"
#include "support/capture.hpp"
#include "support/memory_machine.hpp"

namespace {

memory_machine machine_with_byte(std::uint16_t port, std::uint8_t location, std::uint8_t value)
{
    memory_machine m;
    m.cmos[port] = std::vector<std::uint8_t>(256, 0);
    m.cmos[port][location] = value;
    return m;
}

const tracer quiet;

TEST(CmosAccess, MaskedAndShiftedReads)
{
    memory_machine m = machine_with_byte(0x70, 0x10, 0x3A);
    EXPECT_EQ(read_cmos_masked(m, 0x70, 0x10, 0), 0x3A);
    EXPECT_EQ(read_cmos_masked(m, 0x70, 0x10, 0x0F), 0x0A);
    EXPECT_EQ(read_cmos_masked(m, 0x70, 0x10, 0xF0), 0x30);
    EXPECT_EQ(read_cmos_shifted(m, 0x70, 0x10, 0xF0), 3);
    EXPECT_EQ(read_cmos_shifted(m, 0x70, 0x10, 0x0F), 0xA);
    EXPECT_EQ(read_cmos_shifted(m, 0x70, 0x10, 0x01), 0);
    EXPECT_EQ(read_cmos_shifted(m, 0x70, 0x10, 0x18), 3);
    EXPECT_EQ(read_cmos_shifted(m, 0x70, 0x10, static_cast<int>(0x80000020)), 1);
}

TEST(CmosAccess, ShiftedReadRefusesAZeroMaskBeforeReading)
{
    memory_machine m = machine_with_byte(0x70, 0x10, 0x3A);
    captured_run r = capture_run([&] { read_cmos_shifted(m, 0x70, 0x10, 0); });
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "Error: mask 0 selects no bits of the CMOS byte.\n");
    EXPECT_EQ(m.cmos_reads, 0);
}

TEST(CmosAccess, TokenTestComparesTheTokenBitsWithTheOrMask)
{
    memory_machine m = machine_with_byte(0x70, 0x1B, 0x81);
    EXPECT_EQ(test_d4_token(m, quiet, 0x70, 0x1B, 0xFE, 0x01), 1);
    EXPECT_EQ(test_d4_token(m, quiet, 0x70, 0x1B, 0xFE, 0x101), 0);  // an OR mask above 0xFF never matches
    EXPECT_EQ(test_d4_token(m, quiet, 0x70, 0x1B, 0x7F, 0x80), 1);
    EXPECT_EQ(test_d4_token(m, quiet, 0x70, 0x1B, 0xFC, 0x02), 0);   // bits 1..0 hold 01, not 10
    m.cmos[0x70][0x1B] = 0x80;
    EXPECT_EQ(test_d4_token(m, quiet, 0x70, 0x1B, 0xFE, 0x01), 0);
    EXPECT_EQ(test_d4_token(m, quiet, 0x70, 0x1B, 0xFE, 0x00), 1);
}

TEST(CmosAccess, TokenTestTracesTheValuesItCompares)
{
    memory_machine m = machine_with_byte(0x72, 0x90, 0xB6);
    tracer trace;
    trace.debug_enabled = 1;
    captured_run r = capture_run([&] { EXPECT_EQ(test_d4_token(m, trace, 0x72, 0x90, 0xF0, 0x06), 1); });
    EXPECT_EQ(r.exit_status, std::nullopt);
    EXPECT_EQ(r.out,
              "idx port:         72\n"
              "loc:              90\n"
              "\n"
              "Read raw data:    b6\n"
              "inv AND mask:     f\n"
              "Read anded data:  6\n"
              "OR mask:          6\n"
              "\n");
}

TEST(CmosAccess, ChecksumSumsTheInclusiveRange)
{
    memory_machine m;
    m.cmos[0x70] = std::vector<std::uint8_t>(256, 0xFF);
    EXPECT_EQ(calc_checksum(m, 0, 0x70, 0x00, 0xFF), 0xFF00);
    EXPECT_EQ(m.cmos_reads, 256);
    m.cmos[0x70][0x10] = 0x5A;
    EXPECT_EQ(calc_checksum(m, 0, 0x70, 0x10, 0x10), 0x5A);
    EXPECT_EQ(calc_checksum(m, 0, 0x70, 0x10, 0x11), 0x5A + 0xFF);
}

TEST(CmosAccess, ChecksumReportsReversedRangeFirstThenTypeAndReadsNothing)
{
    memory_machine m;
    struct {
        int type, first, last;
        const char* out;
    } cases[] = {
        {1, 0x2D, 0x10, "Attempted to calculate checksum, but loc_start (2d) > loc_end (10)\n"},
        {0, -1, 0x10, "Attempted to calculate checksum, but loc_start (ffffffff) > loc_end (10)\n"},
        {1, 0x10, 0x2D, "calc_checksum only supports type 0 checksums right now (type 1 was requested).\n"},
        {-2, 0x10, 0x10, "calc_checksum only supports type 0 checksums right now (type -2 was requested).\n"},
    };
    for (const auto& c : cases) {
        captured_run r = capture_run([&] { calc_checksum(m, c.type, 0x70, c.first, c.last); });
        EXPECT_EQ(r.exit_status, 1);
        EXPECT_EQ(r.out, c.out);
    }
    EXPECT_EQ(m.cmos_reads, 0);
}

TEST(CmosAccess, ChecksumUpToTheLargestLocationStopsThere)
{
    memory_machine m;
    m.cmos[0x70] = std::vector<std::uint8_t>(256, 0x01);
    // -0x10 .. -1 are the last sixteen unsigned values: sixteen reads, no wrap.
    EXPECT_EQ(calc_checksum(m, 0, 0x70, -0x10, -1), 0x10);
    EXPECT_EQ(m.cmos_reads, 16);
}

}  // namespace
