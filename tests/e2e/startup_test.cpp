// SPDX-License-Identifier: GPL-2.0-or-later
// Start-up before any command: the root check, the hardware back end, and the
// machine image's physical memory.
#include <filesystem>
#include <gtest/gtest.h>

#include "cli/dispatch.hpp"
#include "settings/setting_command.hpp"
#include "support/demo_machine.hpp"
#include "support/test_machine.hpp"

namespace {

TEST(Startup, WithoutAnImageAnUnprivilegedUserIsRefusedBeforeAnythingElse)
{
    tool_invocation invocation;
    invocation.arguments = {"list_tokens"};
    invocation.env = {{"CMOSCFG_IMAGE", std::nullopt}, {"DEBUG", ""}};
    invocation.unprivileged = true;
    tool_result r = run_tool(invocation);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "You must be root to use this tool.\n");
}

// An unprivileged user on the hardware is refused by the very first step of
// the start-up, so an answer proves that the start-up did not run.
TEST(Startup, HelpAndVersionAreAnsweredBeforeTheStartup)
{
    tool_invocation invocation;
    invocation.program_name = "./cmoscfg";
    invocation.env = {{"CMOSCFG_IMAGE", std::nullopt}, {"CMOSCFG_SETTINGS", "/nonexistent/settings"}};
    invocation.unprivileged = true;
    const std::string version =
        std::string("cmoscfg ") + CMOSCFG_VERSION + " (built " + CMOSCFG_BUILD_DATE + " " + CMOSCFG_BUILD_TIME +
        ")\n" + expected_output("version_licence.txt");
    const std::pair<std::string, std::string> answers[] = {{"--help", expected_output("help.txt")},
                                                           {"-h", expected_output("help.txt")},
                                                           {"--version", version},
                                                           {"-V", version},
                                                           {"--HELP", "You must be root to use this tool.\n"},
                                                           {"-v", "You must be root to use this tool.\n"}};
    for (const auto& [word, out] : answers) {
        invocation.arguments = {word, "extra"};
        tool_result r = run_tool(invocation);
        EXPECT_EQ(r.out, out) << word;
        EXPECT_EQ(r.status, out.starts_with("You must") ? 1 : 0) << word;
    }
}

// Every word the command tables accept opens a line of the overview.
TEST(Startup, HelpNamesEveryCommandWord)
{
    tool_invocation invocation;
    invocation.arguments = {"--help"};
    const std::string help = run_tool(invocation).out;
    std::vector<std::string> words;
    for (std::string_view word : command_words())
        words.emplace_back(word);
    for (std::string_view word : setting_sub_words())
        words.push_back("setting " + std::string(word));
    for (const std::string& word : words) {
        const bool listed = help.find("\n  " + word + " ") != std::string::npos ||
                            help.find("\n  " + word + "\n") != std::string::npos;
        EXPECT_TRUE(listed) << word;
    }
}

TEST(Startup, AnEmptyImageVariableMeansTheHardware)
{
    tool_invocation invocation;
    invocation.arguments = {"list_tokens"};
    invocation.env = {{"CMOSCFG_IMAGE", ""}};
    invocation.unprivileged = true;
    EXPECT_EQ(run_tool(invocation).out, "You must be root to use this tool.\n");
}

TEST(Startup, AnImageNeedsNoRoot)
{
    test_machine machine("table e8000\nd4 d400 70 71 00 10 2d 2e\ntoken 0041 1b fe 01\nend-of-table\nanchor f5a00\n");
    std::filesystem::permissions(machine.dir().path(), std::filesystem::perms::all);
    tool_invocation invocation;
    invocation.arguments = {"list_tokens"};
    invocation.unprivileged = true;
    tool_result r = machine.run(invocation);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "  70/71:  csType 0 [10,2d] @2e  Token: 0041  loc: 1b  and: fe  or: 01\n\n1 tokens found.\n\n\n");
}

TEST(Startup, AnImageWithoutMemNamesTheFile)
{
    test_machine machine("bank 70\n");
    std::filesystem::remove(machine.image_path() + "/mem");
    tool_result r = machine.run({"list_tokens"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: unable to open " + machine.image_path() + "/mem\n");
}

TEST(Startup, AMemFileShorterThanTheScannedSegmentNamesTheImage)
{
    test_machine machine("bank 70\n");
    std::filesystem::resize_file(machine.image_path() + "/mem", 0xF8000);
    tool_result r = machine.run({"list_tokens"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: " + machine.image_path() +
                         "/mem ends at f8000, below 100000, where the SMBIOS entry point is looked for; "
                         "the image is incomplete\n");
}

}  // namespace
