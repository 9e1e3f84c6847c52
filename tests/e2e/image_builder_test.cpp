// SPDX-License-Identifier: GPL-2.0-or-later
// cmoscfg-mkimage: an image that names its platform and holds its settings
// file is the whole machine; the tool needs nothing but its directory.
#include <filesystem>
#include <gtest/gtest.h>

#include "support/demo_machine.hpp"

namespace {

const std::string examples = std::string(CMOSCFG_SOURCE_DIR) + "/examples";

tool_result mkimage(const std::vector<std::string>& arguments)
{
    tool_invocation invocation;
    invocation.executable = CMOSCFG_MKIMAGE;
    invocation.program_name = "cmoscfg-mkimage";
    invocation.arguments = arguments;
    invocation.standard_error_expected = true;
    return run_tool(invocation);
}

TEST(ImageBuilder, TheDemoImageNeedsOnlyItsDirectory)
{
    temp_dir dir;
    const std::string image = dir.file("demo");
    tool_result built = mkimage({"--settings", examples + "/bios_settings.k2a07", examples + "/demo-k2a07.machine", image});
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(read_file(image + "/platform"), "platform: K2A07\nupdate_method: arc_direct\n");
    EXPECT_EQ(read_file(image + "/bios_settings.k2a07"), read_file(examples + "/bios_settings.k2a07"));

    // No dmidecode on PATH, no variable but CMOSCFG_IMAGE: as the demo with
    // its platform and settings file named.
    fake_programs no_dmidecode;
    tool_invocation bare;
    bare.env = {{"CMOSCFG_IMAGE", image}, {"PATH", no_dmidecode.path_alone()}};
    demo_machine demo;
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"setting", "get", "Power Profile"}, std::vector<std::string>{"platform"}}) {
        bare.arguments = command;
        tool_result r = run_tool(bare);
        EXPECT_EQ(r.status, 0) << command[0];
        EXPECT_EQ(r.out, demo.run_with_settings(command).out) << command[0];
    }
    // CMOSCFG_PLATFORM still wins over the image's record.
    bare.env["CMOSCFG_PLATFORM"] = "k2e07";
    bare.env["CMOSCFG_SETTINGS"] = "NONE";
    bare.arguments = {"platform"};
    EXPECT_EQ(run_tool(bare).out, "K2E07\n");
}

TEST(ImageBuilder, ThePlatformIsNamedAsTheEnvironmentNamesIt)
{
    temp_dir dir;
    const struct {
        std::string statement;
        std::string record_or_error;
    } cases[] = {
        {"platform k2e07", "platform: K2E07\nupdate_method: quor_standard\n"},
        {"platform XK2C08Y", "platform: XK2C08Y\nupdate_method: arc_direct\n"},
        {"platform K2E07 ARC_DIRECT", "platform: K2E07\nupdate_method: arc_direct\n"},
        {"platform lab1 quor_standard", "platform: LAB1\nupdate_method: quor_standard\n"},
        {"platform LAB1", "line 2: 'LAB1' is no known model: name its update method (arc_direct or quor_standard)"},
        {"platform K2A07 direct", "line 2: unknown update method 'direct' (arc_direct or quor_standard)"},
        {"platform K2/A07 arc_direct", "line 2: a platform name holds no '/': 'K2/A07'"},
        {"platform K2A07\nplatform K2A07", "line 3: a second 'platform'"},
    };
    const std::string image = dir.file("image");
    for (const auto& c : cases) {
        std::string description = dir.write("machine", "bank 70\n" + c.statement + "\n");
        tool_result r = mkimage({description, image});
        if (c.record_or_error.rfind("platform: ", 0) == 0) {
            EXPECT_EQ(r.status, 0) << c.statement << r.err;
            EXPECT_EQ(read_file(image + "/platform"), c.record_or_error);
        } else {
            EXPECT_EQ(r.status, 1) << c.statement;
            EXPECT_EQ(r.err, "cmoscfg-mkimage: " + description + ": " + c.record_or_error + "\n");
        }
    }

    // Built again without one, the image keeps no record of the last platform,
    // nor of the last image's boots and writes; and a settings file is named
    // after the platform, so it needs one.
    for (const char* record : {"boot_id", "boot-record", "journal", "journal.old"})
        dir.write(std::string("image/") + record, "left\n");
    std::string description = dir.write("machine", "bank 70\n");
    EXPECT_EQ(mkimage({description, image}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(image + "/platform"));
    for (const char* record : {"boot_id", "boot-record", "journal", "journal.old"})
        EXPECT_FALSE(std::filesystem::exists(image + "/" + record)) << record;
    tool_result r = mkimage({"--settings", description, description, image});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cmoscfg-mkimage: " + description +
                         ": a settings file is named after the platform: the description names none\n");
}

}  // namespace
