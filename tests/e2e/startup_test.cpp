// SPDX-License-Identifier: GPL-2.0-or-later
// Start-up before any command: the root check, the hardware back end, and the
// machine image's physical memory.
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

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

// CMOSCFG_IMAGE=$IMG with IMG unset must not write the hardware.
TEST(Startup, AnEmptyImageVariableIsAnError)
{
    tool_invocation invocation;
    invocation.arguments = {"set", "41"};
    invocation.env = {{"CMOSCFG_IMAGE", ""}};
    tool_result r = run_tool(invocation);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: CMOSCFG_IMAGE is set but empty; name an image, or unset it to use the hardware\n");
}

// "setting save > backup" on a full disk must not pass for a good backup.
TEST(Startup, OutputThatCannotBeWrittenEndsWithStatus1)
{
    demo_machine machine;
    int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (full < 0)
        GTEST_SKIP() << "no /dev/full";
    const std::vector<std::vector<std::string>> printing = {
        {"setting", "save"}, {"setting", "json"}, {"setting", "visual"}, {"setting", "get", "Power Profile"},
        {"list_tokens"},     {"platform"},
    };
    for (const auto& args : printing) {
        tool_invocation invocation;
        invocation.arguments = args;
        invocation.env = {{"CMOSCFG_SETTINGS", machine.settings_path()}};
        invocation.standard_output_fd = full;
        invocation.standard_error_expected = true;
        tool_result r = machine.run(invocation);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err, "cmoscfg: error writing standard output\n") << args[0];
    }
    // A run that prints nothing has nothing to lose.
    tool_invocation quiet;
    quiet.arguments = {"poke", "70", "40", "1"};
    quiet.standard_output_fd = full;
    EXPECT_EQ(machine.run(quiet).status, 0);
    ::close(full);
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
