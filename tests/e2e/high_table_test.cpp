// SPDX-License-Identifier: GPL-2.0-or-later
// Structure tables far above the scanned segment: firmware of machines with
// 3 GiB of RAM or more puts large tables just below 4 GiB, beyond the reach
// of 32-bit file offsets. A capture keeps such a table with its address, in a
// file no larger than what was read and without holes, so that it stays small
// in a tar without -S, over scp or through a pipe.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/test_machine.hpp"

namespace {

TEST(HighTable, TablesAbove2GiBAndJustBelow4GiBAreRead)
{
    for (const char* address : {"bffffb40", "fffffe00"}) {
        test_machine machine(std::string("table ") + address + R"(
d4 d400 70 71 00 40 4f 50
token 0101 41 fe 01
token 0102 41 fe 00
end-of-table
anchor f59b0
)");
        tool_result r = machine.run({"list_tokens"});
        EXPECT_EQ(r.status, 0) << address;
        EXPECT_EQ(r.out,
                  "  70/71:  csType 0 [40,4f] @50  Token: 0101  loc: 41  and: fe  or: 01\n"
                  "  70/71:  csType 0 [40,4f] @50  Token: 0102  loc: 41  and: fe  or: 00\n"
                  "\n2 tokens found.\n\n\n")
            << address;

        const std::string snap = machine.dir().file("snap");
        EXPECT_EQ(machine.run({"capture", snap}).status, 0) << address;
        tool_result on_capture = machine.run({"list_tokens"}, {{"CMOSCFG_IMAGE", snap}});
        EXPECT_EQ(on_capture.out, r.out) << address;
        struct stat mem{};
        ASSERT_EQ(::stat((snap + "/mem").c_str(), &mem), 0);
        EXPECT_LT(mem.st_size, 0x10000 + 0x100) << address;  // the scanned segment and the table
        EXPECT_GE(mem.st_blocks * 512, mem.st_size) << address;
        std::string index = read_file(snap + "/mem.ranges");
        EXPECT_NE(index.find(std::string("\nf0000 10000\n") + address + " "), std::string::npos) << index;

        // A capture of the capture is the same, byte for byte.
        const std::string again = machine.dir().file("again");
        EXPECT_EQ(machine.run({"capture", again}, {{"CMOSCFG_IMAGE", snap}}).status, 0) << address;
        for (const char* name : {"mem", "mem.ranges", "cmos", "platform"})
            EXPECT_EQ(read_file(again + "/" + name), read_file(snap + "/" + name)) << address << " " << name;
    }
}

}  // namespace
