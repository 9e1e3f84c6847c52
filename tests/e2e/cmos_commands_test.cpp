// SPDX-License-Identifier: GPL-2.0-or-later
// peek, poke, dump, checksum and csum2 on a machine image: whole output,
// status, and the CMOS bytes afterwards.
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <tuple>

#include "support/test_machine.hpp"

namespace {

// Bank 0x70: 17 known bytes at 0x10..0x20, and the fixed area 0x40..0x7C with
// a correct sum at 0x7D/0x7E. Bank 0x72: the fixed area 0x80..0xFC with a
// wrong sum stored at 0xFD/0xFE.
const char* const two_banks = R"(
bank 70
cmos 70 10 5a 3a 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f
cmos 70 40 ff ff 01
checksum 70 40 7c 7d
bank 72
cmos 72 80 31 00 01 03 02
cmos 72 fd 12 34
)";

TEST(CmosCommands, PeekMasksWithoutShiftingAndWrapsPortAndLocation)
{
    test_machine machine(two_banks);
    struct {
        std::vector<std::string> args;
        const char* out;
    } cases[] = {
        {{"peek", "70", "11", "0"}, "3a\n"},          // mask 0: the whole byte
        {{"peek", "70", "11", "f0"}, "30\n"},         // high nibble, not shifted
        {{"peek", "0x70", "0x11", "0F"}, "0a\n"},
        {{"peek", "70", "111", "ff"}, "3a\n"},        // location modulo 0x100
        {{"peek", "10072", "80", "ff", "extra"}, "31\n"},  // port modulo 0x10000
        {{"peek", "80", "0", "ff"}, "ff\n"},          // past the image's last bank
    };
    for (const auto& c : cases) {
        tool_result r = machine.run(c.args);
        EXPECT_EQ(r.status, 0) << c.args[2] << " " << c.args[3];
        EXPECT_EQ(r.out, c.out) << c.args[2] << " " << c.args[3];
    }
}

// A poke reaches the fixed banks, tokens or none (0x72 here), and the bank of
// any token (0x74).
TEST(CmosCommands, PokeChangesExactlyOneByteOfABankAndPrintsNothing)
{
    test_machine machine(std::string(two_banks) + "table e8000\nd4 d400 74 75 00 40 4f 50\n"
                                                  "token 0001 40 fe 01\nend-of-table\nanchor f5a00\nbank 74\n");
    std::string expected = machine.cmos_file();
    for (auto [port, location, value] : {std::tuple{"72", "ff", "ff"}, std::tuple{"74", "0", "a5"}}) {
        tool_result r = machine.run({"poke", port, location, value});
        EXPECT_EQ(r.status, 0) << port;
        EXPECT_EQ(r.out, "") << port;
    }
    expected[0x72FF] = static_cast<char>(0xFF);
    expected[0x7400] = static_cast<char>(0xA5);
    EXPECT_EQ(machine.cmos_file(), expected);
}

TEST(CmosCommands, DumpShowsRowsOfSixteenLabelledByOffset)
{
    test_machine machine(two_banks);
    struct {
        const char* first;
        const char* last;
        const char* out;
    } cases[] = {
        {"10", "1f", "\n0000:  5a 3a 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e \n\n"},
        {"10", "20", "\n0000:  5a 3a 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e \n0010:  0f \n\n"},
        {"20", "10", "\n0000:  \n\n"},
        {"1f", "1f", "\n0000:  0e \n\n"},
        // Locations past 0xFF wrap to the start of the bank; labels go on counting.
        {"ff", "110",
         "\n0000:  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n0010:  00 5a \n\n"},
    };
    for (const auto& c : cases) {
        tool_result r = machine.run({"dump", "70", c.first, c.last});
        EXPECT_EQ(r.status, 0) << c.first << ".." << c.last;
        EXPECT_EQ(r.out, c.out) << c.first << ".." << c.last;
    }
}

TEST(CmosCommands, ChecksumSumsTheRangeAndReportsRangeBeforeType)
{
    test_machine machine(two_banks);
    struct {
        std::vector<std::string> args;
        int status;
        const char* out;
    } cases[] = {
        {{"checksum", "0", "70", "10", "10"}, 0, "005a\n"},
        {{"checksum", "0", "70", "10", "20"}, 0, "010c\n"},
        {{"checksum", "0", "70", "0", "ff"}, 0, "040b\n"},
        {{"checksum", "0", "70", "0", "1ff"}, 0, "0816\n"},   // the bank twice over
        {{"checksum", "1", "70", "10", "2d"}, 1,
         "calc_checksum only supports type 0 checksums right now (type 1 was requested).\n"},
        {{"checksum", "1", "70", "2d", "10"}, 1, "Attempted to calculate checksum, but loc_start (2d) > loc_end (10)\n"},
        // -1 is the largest unsigned location: a reversed range, not a huge one.
        {{"checksum", "0", "70", "-1", "10"}, 1,
         "Attempted to calculate checksum, but loc_start (ffffffff) > loc_end (10)\n"},
    };
    for (const auto& c : cases) {
        tool_result r = machine.run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1] << " " << c.args[3] << " " << c.args[4];
        EXPECT_EQ(r.out, c.out) << c.args[1] << " " << c.args[3] << " " << c.args[4];
    }
}

TEST(CmosCommands, Csum2ShowsBothFixedAreasPort72First)
{
    test_machine machine(two_banks);
    std::string before = machine.cmos_file();
    tool_result r = machine.run({"csum2"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "checksum, as read:  12 34\n"
              "checksum, as read:  1234\n"
              "checksum, as calcd: 37\n"
              "checksum, as read:  1 ff\n"
              "checksum, as read:  1ff\n"
              "checksum, as calcd: 1ff\n");
    EXPECT_EQ(machine.cmos_file(), before);
}

TEST(CmosCommands, TooFewArgumentsPrintTheUsageWithTheProgramName)
{
    test_machine machine(two_banks);
    std::string before = machine.cmos_file();
    struct {
        std::vector<std::string> args;
        const char* usage;
    } cases[] = {
        {{"peek", "70", "11"}, "Usage:  /sbin/cmoscfg  peek  idx_port  location  ANDmask\n"},
        {{"poke", "70", "11"}, "Usage:  /sbin/cmoscfg  poke  idx_port  location  value\n"},
        {{"dump"}, "Usage:  /sbin/cmoscfg  dump  idx_port  loc_start  loc_end\n"},
        {{"checksum", "0", "70", "10"}, "Usage:  /sbin/cmoscfg  checksum  type  idx_port  loc_start  loc_end\n"},
    };
    for (const auto& c : cases) {
        tool_invocation invocation;
        invocation.arguments = c.args;
        invocation.program_name = "/sbin/cmoscfg";
        tool_result r = machine.run(invocation);
        EXPECT_EQ(r.status, 0) << c.args[0];
        EXPECT_EQ(r.out, std::string("\n") + c.usage + "\n") << c.args[0];
    }
    EXPECT_EQ(machine.cmos_file(), before);
}

}  // namespace

// Root runs the tool on images other users may have made: a link in the image
// must not let a write change, or create, the file it points to.
TEST(CmosCommands, AnImagesFilesAreNeverFollowedThroughALink)
{
    test_machine machine(two_banks);
    const temp_dir& dir = machine.dir();
    const std::string cmos = machine.image_path() + "/cmos";
    const std::string before = machine.cmos_file();
    const std::string target = dir.write("target", before);
    const std::string refusal = "Error: " + cmos + " is a symbolic link; an image's files must not be links\n";
    std::filesystem::remove(cmos);
    std::filesystem::create_symlink(target, cmos);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"poke", "70", "11", "0"},
                                                 std::vector<std::string>{"peek", "70", "11", "ff"}}) {
        tool_result r = machine.run(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.out, refusal) << args[0];
    }
    EXPECT_EQ(read_file(target), before);

    // A dangling link: nothing is created through it, and it does not read as
    // a missing file would.
    std::filesystem::remove(target);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"poke", "70", "11", "0"},
                                                 std::vector<std::string>{"peek", "70", "11", "ff"}}) {
        tool_result r = machine.run(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.out, refusal) << args[0];
        EXPECT_FALSE(std::filesystem::exists(target)) << args[0];
    }

    // A missing cmos file still reads as untouched CMOS.
    std::filesystem::remove(cmos);
    tool_result r = machine.run({"peek", "70", "11", "ff"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "ff\n");

    const std::string mem = machine.image_path() + "/mem";
    std::filesystem::rename(mem, dir.file("mem"));
    std::filesystem::create_symlink(dir.file("mem"), mem);
    r = machine.run({"list_tokens"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: " + mem + " is a symbolic link; an image's files must not be links\n");
}

// A capture unpacked by root may hold device nodes and FIFOs. A block device
// written as a file loses its first bytes, and a FIFO or /dev/zero read as
// one never ends: every file of an image must be a regular file, refused
// before anything is written.
TEST(CmosCommands, AnImagesFilesMustBeRegularFiles)
{
    struct {
        const char* name;
        mode_t kind;
        dev_t device;
    } cases[] = {
        {"cmos", S_IFIFO, 0},       {"mem", S_IFIFO, 0},      {"mem.ranges", S_IFIFO, 0},
        {"platform", S_IFIFO, 0},   {"cmos", S_IFCHR, makedev(1, 3)},
        {"mem.ranges", S_IFCHR, makedev(1, 5)}, {"platform", S_IFCHR, makedev(1, 5)},
    };
    for (const auto& c : cases) {
        test_machine machine(two_banks);
        const std::string path = machine.image_path() + "/" + c.name;
        const std::string saved = machine.dir().file("saved");
        std::filesystem::rename(machine.image_path() + "/cmos", saved);
        std::filesystem::remove(path);
        if (::mknod(path.c_str(), c.kind | 0600, c.device) != 0) {
            if (c.kind == S_IFIFO || ::geteuid() == 0)
                ADD_FAILURE() << "cannot make " << path;
            continue;  // a device node needs root
        }
        if (std::string(c.name) != "cmos")
            std::filesystem::rename(saved, machine.image_path() + "/cmos");
        tool_invocation invocation;
        invocation.arguments = {"poke", "70", "11", "0"};
        if (std::string(c.name) == "platform")
            invocation.env = {{"CMOSCFG_PLATFORM", std::nullopt}};  // or the record is not read
        invocation.timeout_seconds = 10;
        tool_result r = machine.run(invocation);
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_EQ(r.out, "Error: " + path + " is not a regular file; an image's files must be regular files\n")
            << c.name;
        if (std::string(c.name) != "cmos") {
            EXPECT_EQ(machine.cmos(0x70, 0x11), 0x3a) << c.name;
        }
    }
}
