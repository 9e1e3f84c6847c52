// SPDX-License-Identifier: GPL-2.0-or-later
// test, set, testraw and setraw on machine images: whole output, status, and
// every CMOS byte afterwards, under both update methods.
#include <gtest/gtest.h>

#include "support/test_machine.hpp"

namespace {

// Port 0x70: three tokens; its checksum word at 0x3E/0x3F (also the word of
// the direct method). Port 0x72: two D4 structures with different checksum
// ranges; the first one (0x80..0x8F at 0x90) guards every write through 0x72.
const std::string tokens = R"(
table e8000
d4 d400 70 71 00 40 4f 3e
token 0000 44 fe 01
token 0041 1b fe 01
token 0042 1b fe 00
d4 d401 72 73 00 80 8f 90
token 0050 80 fc 02
d4 d402 72 73 00 a0 af b0
token 0060 a5 fe 01
end-of-table
anchor f5a00
)";

// Both banks with correct sums: 0x70 over 0x40..0x4F is 0x36, 0x72 over
// 0x80..0x8F is 0x32.
const std::string correct_sums = tokens + R"(
bank 70
cmos 70 1b 80
cmos 70 40 05 10 20 00 01
checksum 70 40 4f 3e
bank 72
cmos 72 80 31 00 01
checksum 72 80 8f 90
checksum 72 a0 af b0
)";

std::string with_bytes(std::string cmos, std::initializer_list<std::pair<int, int>> changes)
{
    for (auto [offset, value] : changes)
        cmos[static_cast<std::size_t>(offset)] = static_cast<char>(value);
    return cmos;
}

const environment standard_method{{"CMOSCFG_PLATFORM", "K2E07"}};

TEST(TokenCommands, TestAndSetByIdUnderTheDirectMethod)
{
    test_machine machine(correct_sums);
    std::string before = machine.cmos_file();
    struct {
        const char* id;
        const char* out;
    } tests[] = {{"41", "unset\n"}, {"0x0041", "unset\n"}, {"42", "set\n"}, {"xyz", "set\n"} /* id 0 */};
    for (const auto& t : tests) {
        tool_result r = machine.run({"test", t.id, "ignored"});
        EXPECT_EQ(r.status, 0) << t.id;
        EXPECT_EQ(r.out, t.out) << t.id;
    }

    tool_result r = machine.run({"set", "0X41"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    // The token byte 0x80 -> 0x81, and the word at 0x70:0x3E/0x3F by +1.
    EXPECT_EQ(machine.cmos_file(), with_bytes(before, {{0x701B, 0x81}, {0x703F, 0x37}}));
    EXPECT_EQ(machine.run({"test", "41"}).out, "set\n");
    EXPECT_EQ(machine.run({"test", "42"}).out, "unset\n");

    // Already set: the same byte and the same word are written again.
    EXPECT_EQ(machine.run({"set", "41"}).status, 0);
    EXPECT_EQ(machine.cmos_file(), with_bytes(before, {{0x701B, 0x81}, {0x703F, 0x37}}));
}

TEST(TokenCommands, UnknownTokenIdsAreReportedAndNothingIsWritten)
{
    test_machine machine(correct_sums);
    std::string before = machine.cmos_file();
    struct {
        const char* command;
        const char* id;
        const char* out;
    } cases[] = {
        {"test", "-1", "Token ffffffff not found on system.\nHalting.\n\n"},
        {"set", "-1", "Token ffffffff not found on system.\nHalting.\n\n"},
        {"set", "99", "Token 0099 not found on system.\nHalting.\n\n"},
        {"test", "10041", "Token 10041 not found on system.\nHalting.\n\n"},
    };
    for (const auto& c : cases) {
        tool_result r = machine.run({c.command, c.id});
        EXPECT_EQ(r.status, 1) << c.command << " " << c.id;
        EXPECT_EQ(r.out, c.out) << c.command << " " << c.id;
    }
    EXPECT_EQ(machine.cmos_file(), before);
}

TEST(TokenCommands, RawTestAndSetTakeTheMasksAsStored)
{
    test_machine machine(correct_sums);
    std::string before = machine.cmos_file();
    EXPECT_EQ(machine.run({"testraw", "70", "1b", "fe", "1"}).out, "unset\n");
    tool_result r = machine.run({"setraw", "70", "1b", "fe", "1"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(machine.cmos_file(), with_bytes(before, {{0x701B, 0x81}, {0x703F, 0x37}}));
    r = machine.run({"testraw", "70", "1b", "fe", "1"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "set\n");
    EXPECT_EQ(machine.run({"testraw", "70", "1b", "fe", "101"}).out, "unset\n");  // never matches
}

TEST(TokenCommands, DirectMethodWordWrapsBelowZero)
{
    test_machine machine(tokens + "bank 70\ncmos 70 1b 81\ncmos 70 3e 00 00\n");
    std::string before = machine.cmos_file();
    EXPECT_EQ(machine.run({"set", "42"}).status, 0);  // 0x81 -> 0x80
    EXPECT_EQ(machine.cmos_file(), with_bytes(before, {{0x701B, 0x80}, {0x703E, 0xFF}, {0x703F, 0xFF}}));

    // A known platform of the standard method with the direct override.
    EXPECT_EQ(machine.run({"set", "41"}, {{"CMOSCFG_PLATFORM", "K2E07"}, {"CMOSCFG_UPDATE_METHOD", "arc_direct"}})
                  .status,
              0);
    EXPECT_EQ(machine.cmos_file(), with_bytes(before, {{0x701B, 0x81}, {0x703E, 0x00}, {0x703F, 0x00}}));
}

TEST(TokenCommands, StandardMethodRecomputesTheFirstRangeOfThePort)
{
    // The stored sum of 0x72 is wrong before the write; the range of the
    // second structure on 0x72 (0xA0..0xAF at 0xB0) is never the one used.
    test_machine machine(tokens + "bank 72\ncmos 72 80 31 00 01\ncmos 72 90 de ad\n");
    std::string before = machine.cmos_file();
    tool_result r = machine.run({"set", "60"}, standard_method);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(machine.cmos_file(), with_bytes(before, {{0x72A5, 0x01}, {0x7290, 0x00}, {0x7291, 0x32}}));

    EXPECT_EQ(machine.run({"set", "50"}, standard_method).status, 0);  // 0x31 -> 0x32
    EXPECT_EQ(machine.cmos_file(),
              with_bytes(before, {{0x72A5, 0x01}, {0x7280, 0x32}, {0x7290, 0x00}, {0x7291, 0x33}}));

    // The standard override on a platform of the direct method.
    EXPECT_EQ(machine.run({"setraw", "72", "81", "0", "ff"},
                          {{"CMOSCFG_PLATFORM", "K2A07"}, {"CMOSCFG_UPDATE_METHOD", "quor_standard"}})
                  .status,
              0);
    EXPECT_EQ(machine.cmos_file(), with_bytes(before, {{0x72A5, 0x01},
                                                       {0x7280, 0x32},
                                                       {0x7281, 0xFF},
                                                       {0x7290, 0x01},
                                                       {0x7291, 0x32}}));

    // The last byte of the range is summed too: 0x132 + 0x07.
    EXPECT_EQ(machine.run({"setraw", "72", "8f", "0", "7"}, standard_method).status, 0);
    EXPECT_EQ(machine.cmos_file(), with_bytes(before, {{0x72A5, 0x01},
                                                       {0x7280, 0x32},
                                                       {0x7281, 0xFF},
                                                       {0x728F, 0x07},
                                                       {0x7290, 0x01},
                                                       {0x7291, 0x39}}));
}

TEST(TokenCommands, WritesThatCannotRepairTheChecksumLeaveCmosUnchanged)
{
    test_machine machine(correct_sums);
    std::string before = machine.cmos_file();
    for (const environment& env : {environment{}, standard_method}) {
        tool_result r = machine.run({"setraw", "74", "10", "fe", "1"}, env);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "error:  failed to find anything in the token table with index port 74\n");
    }
    EXPECT_EQ(machine.cmos_file(), before);

    test_machine reversed("table e8000\nd4 d400 70 71 00 4f 40 3e\ntoken 0041 1b fe 01\nend-of-table\n"
                          "anchor f5a00\nbank 70\n");
    before = reversed.cmos_file();
    tool_result r = reversed.run({"set", "41"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Attempted to calculate checksum, but loc_start (4f) > loc_end (40)\n");
    EXPECT_EQ(reversed.cmos_file(), before);
}

// Start-up may trace its own steps first; those lines all begin with "# ".
void expect_trace_ends_with(const std::string& out, const std::string& trace)
{
    ASSERT_GE(out.size(), trace.size()) << out;
    EXPECT_EQ(out.substr(out.size() - trace.size()), trace);
    std::string startup = out.substr(0, out.size() - trace.size());
    for (std::size_t line = 0; line < startup.size();) {
        EXPECT_EQ(startup.compare(line, 2, "# "), 0) << startup;
        std::size_t end = startup.find('\n', line);
        if (end == std::string::npos)
            break;
        line = end + 1;
    }
}

TEST(TokenCommands, DebugTracesTheSearchTheSumsAndTheTest)
{
    test_machine machine(tokens + "bank 72\ncmos 72 80 31 00 01\ncmos 72 90 de ad\n");
    environment env = standard_method;
    env["DEBUG"] = "";
    tool_result r = machine.run({"set", "60"}, env);
    EXPECT_EQ(r.status, 0);
    expect_trace_ends_with(r.out,
                           "# DEBUG: checking token table.  0 : 70\n"
                           "# DEBUG: checking token table.  1 : 70\n"
                           "# DEBUG: checking token table.  2 : 70\n"
                           "# DEBUG: checking token table.  3 : 72\n"
                           "# DEBUG this idx is appropriate--> i=3   72/73:  csType 0 [80,8f] @90  Token: 0050  "
                           "loc: 80  and: fc  or: 02\n"
                           "# DEBUG:  reading from idx port:  72  cs_loc  90\n\n"
                           "# DEBUG:  cshi: de\n"
                           "# DEBUG:  cslo: ad\n"
                           "# DEBUG:  set_d4_token:  checksum starts out in memory:   dead\n"
                           "# DEBUG:  set_d4_token:  checksum initially computed as:  0032\n"
                           "# DEBUG:  set_d4_token:  checksum later recomputed as:    0032\n");

    env["DEBUG"] = "0";
    r = machine.run({"test", "60"}, env);
    EXPECT_EQ(r.status, 0);
    expect_trace_ends_with(r.out,
                           "idx port:         72\n"
                           "loc:              a5\n"
                           "\n"
                           "Read raw data:    1\n"
                           "inv AND mask:     1\n"
                           "Read anded data:  1\n"
                           "OR mask:          1\n"
                           "\n"
                           "set\n");
}

TEST(TokenCommands, TooFewArgumentsPrintTheUsage)
{
    test_machine machine(correct_sums);
    std::string before = machine.cmos_file();
    const std::string token_usage = "\nUsage:  ./cmoscfg  test|set  token_id\n\n";
    const std::string raw_usage = "\nUsage:  ./cmoscfg  testraw|setraw  idx_port  location  ANDmask  ORmask\n\n"
                                  "Note that this function expects to be fed an inverted ANDmask, such that\n"
                                  "the process of setting a token is:\n"
                                  "\n"
                                  "   new value = old value & andmask | ormask\n"
                                  "\n";
    struct {
        std::vector<std::string> args;
        const std::string& out;
    } cases[] = {
        {{"test"}, token_usage},
        {{"set"}, token_usage},
        {{"testraw", "70", "1b", "fe"}, raw_usage},
        {{"setraw", "70", "1b", "fe"}, raw_usage},
    };
    for (const auto& c : cases) {
        tool_invocation invocation;
        invocation.arguments = c.args;
        invocation.program_name = "./cmoscfg";
        tool_result r = machine.run(invocation);
        EXPECT_EQ(r.status, 0) << c.args[0];
        EXPECT_EQ(r.out, c.out) << c.args[0];
    }
    EXPECT_EQ(machine.cmos_file(), before);
}

TEST(TokenCommands, CommandWordsMatchOnlyExactly)
{
    test_machine machine(correct_sums);
    for (const char* word : {"Set", "sett", "setting_x", "SETRAW", "test "}) {
        tool_result r = machine.run({word, "41", "1", "1", "1"});
        EXPECT_EQ(r.status, 1) << word;
        EXPECT_EQ(r.out, "Invalid command\n") << word;
    }
}

}  // namespace
