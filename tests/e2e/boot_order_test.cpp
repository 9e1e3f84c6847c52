// SPDX-License-Identifier: GPL-2.0-or-later
// bootorder and bootorder_raw on a machine image: whole output, status, and
// every CMOS byte afterwards, on each platform's slot layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "support/test_machine.hpp"

namespace {

// Tokens on both banks, so that writes through either index port find a
// checksum entry; bank 0x72 is guarded by 0x40..0xFC at 0xFD/0xFE (standard
// method), and the direct method's word at 0x70:0x3E/0x3F starts at 0x1234.
// Every platform's boot slots hold known numbers:
//   K2A07/K2B07 0x72:0xA3..0xA7  5 10 3 1 2 4 7 6
//   K2C07       0x70:0x6E..0x71  1 2 3 4 5 6 7 8
//   K2C08       0x72:0x89..0x8C  8 7 6 5 4 3 2 1
//   K2E07       0x72:0x53..0x55  1 2 3 4 5 5 5 5 (bits outside the fields set)
// The sum of bank 0x72 over 0x40..0xFC is 0x04C6.
const char* const boot_machine = R"(
table e8000
d4 d400 70 71 00 40 7d 7e
token 0001 40 fe 01
d4 d401 72 73 00 40 fc fd
token 0040 80 fc 01
end-of-table
anchor f5a00
bank 70
cmos 70 3e 12 34
cmos 70 6e 21 43 65 87
bank 72
cmos 72 53 d1 23 fd
cmos 72 89 78 56 34 12
cmos 72 a3 5c 3a 21 74 96
checksum 72 40 fc fd
)";

const char* const refusal = "\n"
                            "For platform K2F07 and K2G07, boot order is included in BIOS settings,\n"
                            "So this function is no longer used.\n"
                            "\n"
                            "Please run 'cmoscfg setting save' and see the settings called 'boot_device_N'.\n"
                            "\n";

const char* const bootorder_usage = "\n"
                                    "Usage:  ./cmoscfg  bootorder  list|get|set  [index]  [device_num]\n"
                                    "\n"
                                    "Supported platforms:  k2a07  k2b07  k2c07  k2c08  k2c09  k2e07\n"
                                    "\n"
                                    "Index ranges from 1 to 8.  Index N corresponds to the Nth boot device.\n"
                                    "\n"
                                    "The mapping of device_num to particular devices happens during BIOS bootup.  It\n"
                                    "can change based on add-in NICs and discovered hardware.  Infiniband and 10gb\n"
                                    "ethernet NICs\n"
                                    "are known to cause this.  So:\n"
                                    "\n"
                                    "A NUMBER-TO-DEVICE MAPPING IS ONLY VALID FOR A PARTICULAR HARDWARE CONFIG.\n"
                                    "\n"
                                    "The recommended way to use this tool:\n"
                                    "    1.  Boot a machine that has the hardware config you're interested in\n"
                                    "    2.  Enter BIOS setup.  Write down the boot order.\n"
                                    "    3.  Run './cmoscfg bootorder (platform) list'\n"
                                    "    4.  Compare the two lists; this is the device_num mapping for this\n"
                                    "\t      hardware config.\n"
                                    "\n"
                                    "Example:  Set 1st boot device to device_number 3:\n"
                                    "    ./cmoscfg bootorder set 1 3\n"
                                    "\n";

const char* const bootorder_raw_usage =
    "\n"
    "Usage:  ./cmoscfg  bootorder_raw  get|set  idx_port  location  mask_bits  [device_num]\n"
    "\n"
    "Mask bits are not inverted.  Device number is natural (do not need to shift).\n"
    "\n"
    " K2A07  Boot Device #  idx_port  loc  mask  \n"
    "        -------------  --------  ---  ----  \n"
    "                    1        72   a3    f0  \n"
    "                    2        72   a4    0f  \n"
    "                    3        72   a4    f0  \n"
    "                    4        72   a5    0f  \n"
    "                    5        72   a5    f0  \n"
    "\n"
    "So, for the K2A07, to get the 2nd boot device:\n"
    "\n"
    "    ./cmoscfg bootorder_raw get 72 a4 0f\n"
    "\n"
    "To then change the 2nd boot device to be device 3:\n"
    "\n"
    "    ./cmoscfg bootorder_raw set 72 a4 0f 3\n"
    "\n";

const char* const halting = "Halting.\n\n";

using arguments = std::vector<std::string>;

environment on(const char* platform)
{
    return {{"CMOSCFG_PLATFORM", platform}};
}

// A platform outside the known list, made usable by naming an update method.
const environment unknown_platform{{"CMOSCFG_PLATFORM", "LAB1"}, {"CMOSCFG_UPDATE_METHOD", "arc_direct"}};

std::string listing(std::initializer_list<int> device_ids)
{
    std::string out;
    int index = 1;
    for (int id : device_ids) {
        char line[64];
        std::snprintf(line, sizeof line, "Boot #%d:  device id: %d\n", index++, id);
        out += line;
    }
    return out + "\n";
}

// The bytes that differ between two CMOS files, as offset -> new value, so
// that a failure names the bytes rather than printing whole banks.
std::map<int, int> changed_bytes(const std::string& before, const std::string& after)
{
    std::map<int, int> changes;
    for (std::size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
        int old_value = i < before.size() ? static_cast<unsigned char>(before[i]) : -1;
        int new_value = i < after.size() ? static_cast<unsigned char>(after[i]) : -1;
        if (old_value != new_value)
            changes[static_cast<int>(i)] = new_value;
    }
    return changes;
}

std::string words(const arguments& args)
{
    std::string text;
    for (const std::string& a : args)
        text += a + " ";
    return text;
}

TEST(BootOrder, ListShowsTheEightSlotsOfEachPlatformTable)
{
    test_machine machine(boot_machine);
    struct {
        const char* platform;
        std::string out;
    } cases[] = {
        {"K2A07", listing({5, 10, 3, 1, 2, 4, 7, 6})},
        {"K2B07", listing({5, 10, 3, 1, 2, 4, 7, 6})},
        {"K2C07", listing({1, 2, 3, 4, 5, 6, 7, 8})},
        {"K2C08", listing({8, 7, 6, 5, 4, 3, 2, 1})},
        {"K2E07", listing({1, 2, 3, 4, 5, 5, 5, 5})},
    };
    for (const auto& c : cases) {
        tool_result r = machine.run({"bootorder", "list", "ignored"}, on(c.platform));
        EXPECT_EQ(r.status, 0) << c.platform;
        EXPECT_EQ(r.out, c.out) << c.platform;
    }
}

// K2C09 has the fifth layout: nibbles of 0x72:0x90..0x94, high one first.
TEST(BootOrder, K2C09KeepsItsSlotsAt72_90To94)
{
    test_machine machine(std::string(boot_machine) + "cmos 72 90 10 32 54 76 08\nchecksum 72 40 fc fd\n");
    tool_result r = machine.run({"bootorder", "list"}, on("K2C09"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, listing({1, 2, 3, 4, 5, 6, 7, 8}));

    std::string before = machine.cmos_file();
    r = machine.run({"bootorder", "set", "1", "9"}, on("K2C09"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(changed_bytes(before, machine.cmos_file()), (std::map<int, int>{{0x7290, 0x90}, {0x703F, 0xB4}}));
    EXPECT_EQ(machine.run({"bootorder", "get", "1"}, on("K2C09")).out, "9\n");
}

TEST(BootOrder, GetReadsOneFieldInDecimal)
{
    test_machine machine(boot_machine);
    struct {
        const char* platform;
        arguments args;
        const char* out;
    } cases[] = {
        {"K2A07", {"bootorder", "get", "2"}, "10\n"},  // low nibble of 0x3A
        {"K2A07", {"bootorder", "get", "3"}, "3\n"},   // high nibble of 0x3A
        {"K2A07", {"bootorder", "get", "0x8", "ignored"}, "6\n"},
        {"K2E07", {"bootorder", "get", "7"}, "5\n"},
        {"K2A07", {"bootorder_raw", "get", "72", "a4", "0f"}, "10\n"},
        {"K2A07", {"bootorder_raw", "get", "0x72", "0XA4", "F0", "ignored"}, "3\n"},
        {"K2E07", {"bootorder_raw", "get", "72", "53", "38"}, "2\n"},
        {"K2F07", {"bootorder_raw", "get", "70", "6e", "f0"}, "2\n"},  // no platform is tested
        {"K2A07", {"bootorder_raw", "get", "72", "a3", "-1"}, "92\n"},  // every bit: the byte 0x5C
        {"K2A07", {"bootorder_raw", "get", "74", "10", "f0"}, "15\n"},  // a port no token uses is read
    };
    for (const auto& c : cases) {
        tool_result r = machine.run(c.args, on(c.platform));
        EXPECT_EQ(r.status, 0) << c.platform << " " << words(c.args);
        EXPECT_EQ(r.out, c.out) << c.platform << " " << words(c.args);
    }
}

// Each case on a fresh machine: exactly the bytes that change, the checksum
// included.
TEST(BootOrder, SetReplacesOnlyTheFieldAndRepairsTheChecksum)
{
    using changes = std::map<int, int>;
    // Direct method: the word at 0x70:0x3E/0x3F moves by the change of the byte.
    const changes k2a07_slot1_3 = {{0x72A3, 0x3C}, {0x703F, 0x14}};
    const changes k2a07_slot2_f = {{0x72A4, 0x3F}, {0x703F, 0x39}};
    // Standard method: the sum of 0x72:0x40..0xFC is stored at 0xFD/0xFE.
    const changes k2e07_slot5_2 = {{0x7255, 0xFA}, {0x72FE, 0xC3}};
    struct {
        const char* platform;
        arguments args;
        changes expected;
    } cases[] = {
        {"K2A07", {"bootorder", "set", "1", "3"}, k2a07_slot1_3},
        {"K2A07", {"bootorder", "set", "1", "13"}, k2a07_slot1_3},  // only the low four bits fit
        {"K2A07", {"bootorder_raw", "set", "72", "a3", "f0", "3"}, k2a07_slot1_3},
        {"K2A07", {"bootorder", "set", "2", "ff"}, k2a07_slot2_f},
        {"K2A07", {"bootorder_raw", "set", "72", "a4", "0f", "ff"}, k2a07_slot2_f},
        {"K2B07", {"bootorder", "set", "8", "0"}, {{0x72A7, 0x90}, {0x703F, 0x2E}}},
        {"K2C07", {"bootorder", "set", "8", "0"}, {{0x7071, 0x07}, {0x703E, 0x11}, {0x703F, 0xB4}}},
        {"K2C08", {"bootorder", "set", "1", "0x1f"}, {{0x7289, 0x7F}, {0x703F, 0x3B}}},
        {"K2E07", {"bootorder", "set", "8", "2"}, k2e07_slot5_2},
        {"K2E07", {"bootorder", "set", "5", "a"}, k2e07_slot5_2},  // 0xA: only the low three bits fit
        {"K2E07", {"bootorder_raw", "set", "72", "55", "7", "2"}, k2e07_slot5_2},
        {"K2F07", {"bootorder_raw", "set", "72", "55", "7", "2"}, k2e07_slot5_2},
        {"K2E07", {"bootorder", "set", "2", "f"}, {{0x7253, 0xF9}, {0x72FE, 0xEE}}},
    };
    for (const auto& c : cases) {
        test_machine machine(boot_machine);
        std::string before = machine.cmos_file();
        tool_result r = machine.run(c.args, on(c.platform));
        EXPECT_EQ(r.status, 0) << c.platform << " " << words(c.args);
        EXPECT_EQ(r.out, "") << c.platform << " " << words(c.args);
        EXPECT_EQ(changed_bytes(before, machine.cmos_file()), c.expected) << c.platform << " " << words(c.args);
    }
}

TEST(BootOrder, BadOrMissingArgumentsAreRefusedAndNothingIsWritten)
{
    test_machine machine(boot_machine);
    std::string before = machine.cmos_file();
    const std::string invalid_index = std::string("Invalid boot index\n") + halting;
    const std::string zero_mask = "Error: mask 0 selects no bits of the CMOS byte.\n";
    struct {
        arguments args;
        std::string out;
    } cases[] = {
        {{"bootorder", "get", "0"}, invalid_index},
        {{"bootorder", "get", "9"}, invalid_index},
        {{"bootorder", "get", "10"}, invalid_index},  // sixteen
        {{"bootorder", "get", "a"}, invalid_index},   // ten
        {{"bootorder", "get", "-1"}, invalid_index},
        {{"bootorder", "set", "0", "3"}, invalid_index},
        {{"bootorder", "set", "9", "3"}, invalid_index},
        {{"bootorder", "set", "10", "3"}, invalid_index},
        {{"bootorder", "get"}, std::string("Boot index is required.\n") + halting},
        {{"bootorder", "set"}, std::string("Boot index and target value are required.\n") + halting},
        {{"bootorder", "set", "1"}, std::string("Boot index and target value are required.\n") + halting},
        {{"bootorder_raw", "get", "72", "a4", "0"}, zero_mask},
        {{"bootorder_raw", "get", "72", "a4", "xyz"}, zero_mask},
        {{"bootorder_raw", "set", "72", "a4", "0", "3"}, zero_mask},
        {{"bootorder_raw", "set", "72", "a4", "f0"}, std::string("Device number is required.\n") + halting},
        {{"bootorder_raw", "set", "74", "10", "f0", "3"},
         "error:  failed to find anything in the token table with index port 74\n"},
    };
    for (const auto& c : cases) {
        for (const char* platform : {"K2A07", "K2E07"}) {
            tool_result r = machine.run(c.args, on(platform));
            EXPECT_EQ(r.status, 1) << platform << " " << words(c.args);
            EXPECT_EQ(r.out, c.out) << platform << " " << words(c.args);
        }
    }
    EXPECT_EQ(machine.cmos_file(), before);
}

TEST(BootOrder, K2F07AndK2G07RefuseEveryForm)
{
    test_machine machine(boot_machine);
    std::string before = machine.cmos_file();
    const arguments forms[] = {
        {"bootorder"},        {"bootorder", "list"},   {"bootorder", "get", "1"}, {"bootorder", "set", "1", "3"},
        {"bootorder", "get"}, {"bootorder", "get", "9"}, {"bootorder", "other"},
    };
    for (const char* platform : {"K2F07", "K2G07"}) {
        for (const auto& args : forms) {
            tool_result r = machine.run(args, on(platform));
            EXPECT_EQ(r.status, 0) << platform << " " << words(args);
            EXPECT_EQ(r.out, refusal) << platform << " " << words(args);
        }
    }
    EXPECT_EQ(machine.cmos_file(), before);
}

TEST(BootOrder, UnservedRequestsEndAsInvalidCommand)
{
    test_machine machine(boot_machine);
    std::string before = machine.cmos_file();
    // No table on these platforms: every sub-word falls through.
    for (const environment& env : {on("K2D07"), unknown_platform}) {
        for (const arguments& args : {arguments{"bootorder", "list"}, arguments{"bootorder", "get", "1"},
                                      arguments{"bootorder", "set", "1", "3"}, arguments{"bootorder", "get"},
                                      arguments{"bootorder", "other"}}) {
            tool_result r = machine.run(args, env);
            EXPECT_EQ(r.status, 1) << env.at("CMOSCFG_PLATFORM").value() << " " << words(args);
            EXPECT_EQ(r.out, "Invalid command\n") << env.at("CMOSCFG_PLATFORM").value() << " " << words(args);
        }
    }
    // Sub-words match exactly and in full.
    for (const arguments& args : {arguments{"bootorder", "List"}, arguments{"bootorder", "lis"},
                                  arguments{"bootorder", ""}, arguments{"bootorder_raw", "GET", "72", "a4", "0f"},
                                  arguments{"bootorder_raw", "sets", "72", "a4", "0f", "3"}}) {
        tool_result r = machine.run(args, on("K2A07"));
        EXPECT_EQ(r.status, 1) << words(args);
        EXPECT_EQ(r.out, "Invalid command\n") << words(args);
    }
    EXPECT_EQ(machine.cmos_file(), before);
}

TEST(BootOrder, TooFewWordsPrintTheUsageTexts)
{
    test_machine machine(boot_machine);
    struct {
        environment env;
        arguments args;
        const char* out;
    } cases[] = {
        {on("K2A07"), {"bootorder"}, bootorder_usage},
        {on("K2D07"), {"bootorder"}, bootorder_usage},
        {on("K2C09"), {"bootorder"}, bootorder_usage},
        {unknown_platform, {"bootorder"}, bootorder_usage},
        {on("K2A07"), {"bootorder_raw"}, bootorder_raw_usage},
        {on("K2A07"), {"bootorder_raw", "other"}, bootorder_raw_usage},
        {on("K2A07"), {"bootorder_raw", "get", "72", "a4"}, bootorder_raw_usage},
        {on("K2G07"), {"bootorder_raw", "set", "72", "a4"}, bootorder_raw_usage},
    };
    for (const auto& c : cases) {
        tool_invocation invocation;
        invocation.arguments = c.args;
        invocation.env = c.env;
        invocation.program_name = "./cmoscfg";
        tool_result r = machine.run(invocation);
        EXPECT_EQ(r.status, 0) << words(c.args);
        EXPECT_EQ(r.out, c.out) << words(c.args);
    }
}

}  // namespace
