// SPDX-License-Identifier: GPL-2.0-or-later
// The scan for the SMBIOS entry point on an in-memory machine, including the
// failures that a file-backed image cannot produce.
#include <cstring>
#include <gtest/gtest.h>

#include "hw/smbios_scan.hpp"
#include "support/capture.hpp"
#include "support/memory_machine.hpp"

namespace {

void put_anchor(memory_machine& m, std::uint64_t at, std::uint16_t length, std::uint32_t table_address)
{
    std::vector<std::uint8_t> entry(0x20, 0);
    std::memcpy(entry.data(), "_SM_", 4);
    entry[0x16] = static_cast<std::uint8_t>(length);
    entry[0x17] = static_cast<std::uint8_t>(length >> 8);
    for (int i = 0; i < 4; ++i)
        entry[0x18 + i] = static_cast<std::uint8_t>(table_address >> (8 * i));
    m.put(at, entry);
}

TEST(SmbiosScan, CopiesTheTableOfTheLastAnchor)
{
    memory_machine m;
    m.put(0x1000, {1, 2, 3});
    m.put(0x2000, {4, 5, 6, 7});
    put_anchor(m, 0xF0000, 3, 0x1000);
    put_anchor(m, 0xF8010, 4, 0x2000);
    std::vector<std::uint8_t> table;
    captured_run run = capture_run([&] { table = find_smbios_table(m); });
    EXPECT_FALSE(run.exit_status);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(table, (std::vector<std::uint8_t>{4, 5, 6, 7}));
}

TEST(SmbiosScan, AnchorsOffTheSixteenByteGridAreNotSeen)
{
    memory_machine m;
    m.put(0x1000, {1, 2, 3});
    put_anchor(m, 0xF0008, 3, 0x1000);
    EXPECT_TRUE(find_smbios_table(m).empty());
}

TEST(SmbiosScan, ReportsEachFailureWithItsMessage)
{
    struct failure {
        const char* what;
        void (*prepare)(memory_machine&);
        const char* message;
    };
    const failure cases[] = {
        {"memory cannot be opened", [](memory_machine& m) { m.memory_opens = false; },
         "Error: unable to open memory\n"},
        {"seek refused at a probe", [](memory_machine& m) {
             m.seek_limit = 0xF1230;
             m.memory.resize(0xF1230);
         },
         "Error seeking f1230 inside memory while looking for SMBIOS table\n"},
        {"memory ends inside the segment", [](memory_machine& m) { m.memory.resize(0xF8002); },
         "Error reading bytes; please try operation again, and report this bug\n"},
        {"entry point cut short", [](memory_machine& m) {
             m.memory.resize(0x100000);
             put_anchor(m, 0xFFFF0, 3, 0x1000);
             m.memory.resize(0x100000);
         },
         "Error reading smbios header; please retry and report this bug\n"},
        {"table beyond the end of memory", [](memory_machine& m) { put_anchor(m, 0xF0000, 0x40, 0x200000); },
         "Error reading the SMBIOS structure table (64 bytes at 200000); please retry and report this bug\n"},
        {"table cut short", [](memory_machine& m) { put_anchor(m, 0xF0000, 0x40, 0xFFFE0); },
         "Error reading the SMBIOS structure table (64 bytes at fffe0); please retry and report this bug\n"},
    };
    for (const failure& c : cases) {
        memory_machine m;
        c.prepare(m);
        captured_run run = capture_run([&] { find_smbios_table(m); });
        EXPECT_EQ(run.exit_status, 1) << c.what;
        EXPECT_EQ(run.out, c.message) << c.what;
    }
}

}  // namespace
