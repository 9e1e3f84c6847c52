// SPDX-License-Identifier: GPL-2.0-or-later
// The platform settings file loader: classes of lines, heads, value lists,
// and every error with the number of the line it names.
#include <gtest/gtest.h>
#include <sstream>

#include "settings/setting_list.hpp"
#include "settings/settings_loader.hpp"
#include "support/capture.hpp"

namespace {

std::string describe(const setting_node& s)
{
    std::string out = "[" + s.section + "|" + s.subsection + "] " + s.name + " (" + s.default_value + "):";
    for (const stoken_node& v : s.stokens)
        out += " " + v.token + "=" + v.value_name + (v.is_default ? "*" : "");
    return out;
}

class SettingsLoader : public testing::Test {
protected:
    captured_run load(const std::string& text)
    {
        std::istringstream in(text);
        return capture_run([&] { load_settings_from(settings, in); });
    }

    captured_run load_file(const std::string& path)
    {
        return capture_run([&] { load_settings(settings, path, {}, tracer{}); });
    }

    std::vector<std::string> loaded() const
    {
        std::vector<std::string> out;
        for (const setting_node& setting : settings.setting_list)
            out.push_back(describe(setting));
        return out;
    }

    settings_database settings;
};

TEST_F(SettingsLoader, ReadsHeadsCommentsParametersAndSettingsInFileOrder)
{
    captured_run run = load("# comment\n"
                            "; platform: K2A07\n"
                            "Early, A, 1:A, 2:B\n"
                            "  ## Processor \n"
                            "\t### Cores\n"
                            "Logical Processors, Enabled, 0014:Enabled, 0015:Disabled\n"
                            "\n"
                            "#### not a head\n"
                            "## Memory ##\n"
                            "Memory Mode ,Spare,32:Optimizer,33:Mirror,34:Spare, 35:Spare\n"
                            "##\n"
                            "Empty names, , 1:x, 2:\n"
                            "###\n"
                            "Logical Processors, Off, 0014 : Off, 0015:On\n");
    EXPECT_FALSE(run.exit_status);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(loaded(), (std::vector<std::string>{
                            "[|] Early (A): 1=A* 2=B",
                            "[Processor|Cores] Logical Processors (Enabled): 0014=Enabled* 0015=Disabled",
                            "[Memory ##|Cores] Memory Mode (Spare): 32=Optimizer 33=Mirror 34=Spare* 35=Spare*",
                            "[|Cores] Empty names (): 1=x 2=*",
                            "[|] Logical Processors (Off): 0014 = Off 0015=On",
                        }));
    EXPECT_EQ(settings.settings_named("Logical Processors"), (std::vector<int>{1, 4}));
    EXPECT_EQ(settings.setting_at(2).stokens[1].token_id, 0x33);
}

TEST_F(SettingsLoader, EmptyFilesAndFilesOfCommentsGiveNoSettings)
{
    for (const char* text : {"", "\n\n", "# only\n## heads\n### here\n", "\r\n\r\n"}) {
        captured_run run = load(text);
        EXPECT_FALSE(run.exit_status) << text;
        EXPECT_EQ(settings.setting_count(), 0) << text;
    }
}

TEST_F(SettingsLoader, CrLfLinesKeepTheirCarriageReturnAndCountAsEmptyWhenBlank)
{
    captured_run run = load("## Boot\r\n\r\nBoot Mode, UEFI, 50:BIOS, 51:UEFI\r\nLast, x, 1:x, 2:y");
    EXPECT_FALSE(run.exit_status);
    ASSERT_EQ(settings.setting_count(), 2);
    EXPECT_EQ(describe(settings.setting_at(0)), "[Boot\r|] Boot Mode (UEFI): 50=BIOS 51=UEFI\r");
    EXPECT_EQ(describe(settings.setting_at(1)), "[Boot\r|] Last (x): 1=x* 2=y");
}

TEST_F(SettingsLoader, ANulByteEndsItsLine)
{
    const char text[] = "Boot Mode, UEFI, 50:BIOS, 51:UEFI\0junk, , ,\nNext, a, 1:a, 2:b\n";
    captured_run run = load(std::string(text, sizeof text - 1));
    EXPECT_FALSE(run.exit_status);
    EXPECT_EQ(settings.setting_count(), 2);
}

TEST_F(SettingsLoader, ReportsEachMalformedLineWithItsNumber)
{
    struct bad_file {
        std::string text;
        std::string message;
    };
    const bad_file cases[] = {
        {"# one\n\n; platform K2A07\n", "\nError:  Line 3:  Malformed parameter line:\n; platform K2A07\n\n"},
        {"; time: 10:30\n", "\nError:  Line 1:  Malformed parameter line:\n; time: 10:30\n\n"},
        {"\n  Name, Default, 1:a  \n", "\nError:  Line 2:  Malformed setting line:\nName, Default, 1:a\n\n"},
        {"Name, De:fault, 1:a, 2:b\n",
         "Error:  Line 1:  second field (default setting value) appears to be missing:\nName, De:fault, 1:a, 2:b\n\n"},
        {"Name, a, 1:a, 2:b,\n", "\nError:  Line 1:  Malformed token in line:\nName, a, 1:a, 2:b,\n\n"},
        {"Name, a, 1:a,, 2:b\n", "\nError:  Line 1:  Malformed token in line:\nName, a, 1:a,, 2:b\n\n"},
        {"Name, a, 1:a:b, 2:b\n", "\nError:  Line 1:  Malformed token in line:\nName, a, 1:a:b, 2:b\n\n"},
        {"ok, a, 1:a, 2:b\r\nName, a, 1a, 2:b\r\n", "\nError:  Line 2:  Malformed token in line:\nName, a, 1a, 2:b\r\n\n"},
    };
    for (const bad_file& c : cases) {
        captured_run run = load(c.text);
        EXPECT_EQ(run.exit_status, 1) << c.text;
        EXPECT_EQ(run.out, c.message) << c.text;
    }
}

TEST_F(SettingsLoader, RefusesTextsTooLongForTheirFieldInsteadOfCuttingThem)
{
    const std::string fits(79, 'v');
    const std::string too_long(80, 'v');
    captured_run ok = load("Name, " + fits + ", 1:" + fits + ", 2:b\n");
    EXPECT_FALSE(ok.exit_status);
    ASSERT_EQ(settings.setting_count(), 1);
    EXPECT_EQ(settings.setting_at(0).stokens[0].is_default, 1);

    for (const std::string& line : {"Name, a, 1:" + too_long + ", 2:b", too_long + ", a, 1:a, 2:b",
                                    "Name, " + too_long + ", 1:a, 2:b", "## " + too_long}) {
        captured_run run = load("\n" + line + "\n");
        EXPECT_EQ(run.exit_status, 1) << line;
        EXPECT_EQ(run.out, "\nError:  Line 2:  Text of 80 bytes or more (at most 79 are kept):\n" + line + "\n\n");
    }
}

TEST_F(SettingsLoader, LongLinesWithManyValuesLoadWhole)
{
    std::string line = "Many, v0";
    for (int i = 0; i < 20000; ++i)
        line += ", " + std::to_string(i) + ":v" + std::to_string(i);
    captured_run run = load(line + "\n");
    EXPECT_FALSE(run.exit_status);
    ASSERT_EQ(settings.setting_count(), 1);
    EXPECT_EQ(stoken_count(settings.setting_at(0)), 20000);
    EXPECT_EQ(stoken_at(settings.setting_at(0), 19999).value_name, "v19999");
}

TEST_F(SettingsLoader, DegradedModeForAnyPathContainingNone)
{
    for (const char* path : {"NONE", "/etc/NONE/bios_settings.k2a07", "myNONEfile"}) {
        captured_run run = load_file(path);
        EXPECT_FALSE(run.exit_status) << path;
        EXPECT_EQ(settings.degraded_mode, 1) << path;
    }
    captured_run run = load_file("/nonexistent/none");
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "Error:  cannot open settings file for reading:  /nonexistent/none\n");
    EXPECT_EQ(settings.degraded_mode, 0);
}

TEST_F(SettingsLoader, ADirectoryIsNotASettingsFile)
{
    captured_run run = load_file("/");
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, "Error:  cannot open settings file for reading:  /\n");
}

}  // namespace
