// SPDX-License-Identifier: GPL-2.0-or-later
// The token table as list_tokens shows it, on images of every shape the scan
// and the walk must handle.
#include <gtest/gtest.h>

#include "support/test_machine.hpp"

namespace {

const char* const two_banks = R"(
table e8000
structure 00 0000 01 02 00 f0 03 7f
string Vendor
string 1.0
d4 d400 70 71 00 10 2d 2e
token 0041 1b fe 01
token 0042 1b fe 00
d4 d401 72 73 00 80 fc fd
token 00a0 90 f0 03
end-of-table
anchor f5a00
)";

TEST(TokenListing, ListsEveryTokenWithItsBankAndTheCount)
{
    test_machine machine(two_banks);
    tool_result r = machine.run({"list_tokens", "ignored", "arguments"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "  70/71:  csType 0 [10,2d] @2e  Token: 0041  loc: 1b  and: fe  or: 01\n"
              "  70/71:  csType 0 [10,2d] @2e  Token: 0042  loc: 1b  and: fe  or: 00\n"
              "  72/73:  csType 0 [80,fc] @fd  Token: 00a0  loc: 90  and: f0  or: 03\n"
              "\n3 tokens found.\n\n\n");
}

TEST(TokenListing, EmptyTableWhenThereIsNoAnchorOrOnlyTheSmbios3Anchor)
{
    const char* const no_anchor = "table e8000\nd4 d400 70 71 00 10 2d 2e\ntoken 0041 1b fe 01\nend-of-table\n";
    const char* const smbios3_only = "table e8000\nd4 d400 70 71 00 10 2d 2e\ntoken 0041 1b fe 01\n"
                                     "end-of-table\nanchor3 f5a00\n";
    for (const char* description : {no_anchor, smbios3_only}) {
        tool_result r = test_machine(description).run({"list_tokens"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "\n0 tokens found.\n\n\n");
    }
}

TEST(TokenListing, TheLastAnchorInTheSegmentWins)
{
    tool_result r = test_machine(R"(
table e8000
d4 d400 70 71 00 10 2d 2e
token 0001 10 fe 01
end-of-table
anchor ffff0
memory 10000f 00
table e9000
d4 d400 72 73 01 80 fc fd
token 0002 81 fe 01
end-of-table
anchor f0000
)").run({"list_tokens"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "  70/71:  csType 0 [10,2d] @2e  Token: 0001  loc: 10  and: fe  or: 01\n\n1 tokens found.\n\n\n");
}

TEST(TokenListing, AnEntryPointCutShortByTheEndOfMemoryIsAnError)
{
    tool_result r = test_machine("table e8000\nend-of-table\nanchor ffff0\n").run({"list_tokens"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error reading smbios header; please retry and report this bug\n");
}

TEST(TokenListing, StructuresWithoutStringsDuplicateIdsAndAnEmptyD4)
{
    tool_result r = test_machine(R"(
table e8000
structure 20 2000 00 00 00 00 00 00 00 00 00 00 00
d4 d400 70 71 00 10 2d 2e
d4 d401 70 71 00 40 7f 3e
token 0041 40 fe 01
structure 88 8800
d4 d402 70 71 00 10 2d 2e
token 0041 1b fe 00
end-of-table
anchor f5a00
)").run({"list_tokens"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "  70/71:  csType 0 [40,7f] @3e  Token: 0041  loc: 40  and: fe  or: 01\n"
              "  70/71:  csType 0 [10,2d] @2e  Token: 0041  loc: 1b  and: fe  or: 00\n"
              "\n2 tokens found.\n\n\n");
}

TEST(TokenListing, UnknownCommandWordsAreRefused)
{
    test_machine machine(two_banks);
    for (const char* word : {"List_tokens", "list_token", "list_tokens_x", ""}) {
        tool_result r = machine.run({word});
        EXPECT_EQ(r.status, 1) << word;
        EXPECT_EQ(r.out, "Invalid command\n") << word;
    }
}

}  // namespace
