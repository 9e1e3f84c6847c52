// SPDX-License-Identifier: GPL-2.0-or-later
// Applying user settings files and resetting to defaults on the demo machine:
// what each request reports, what changes in CMOS, and where a run stops; and
// the dry run of a file, which must foresee all that and write nothing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include "support/demo_machine.hpp"

namespace {

std::string request(const std::string& name, const std::string& value, const std::string& outcome)
{
    char line[200];
    std::snprintf(line, sizeof line, "  requested setting:  %-29s  to state  %-19s", name.c_str(), value.c_str());
    return line + outcome + "\n";
}

const std::string already = "     (skipping--already set)";
const std::string adjusting = "     (adjusting)";

class BulkApply : public testing::Test {
protected:
    tool_result readfile(const std::string& contents)
    {
        return machine.run_with_settings({"setting", "readfile", files.write("user.settings", contents)});
    }
    tool_result check(const std::string& contents)
    {
        return machine.run_with_settings({"setting", "check", files.write("user.settings", contents)});
    }
    demo_machine machine;
    temp_dir files;
};

TEST_F(BulkApply, ASavedFileReadBackChangesNothing)
{
    tool_result saved = machine.run_with_settings({"setting", "save"});
    ASSERT_EQ(saved.status, 0);
    const std::string before = machine.cmos_file();
    tool_result r = readfile(saved.out);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(request("Power Profile", "Balanced", already)), std::string::npos);
    EXPECT_EQ(r.out.find("adjusting"), std::string::npos);
    EXPECT_EQ(r.out.find("TPM"), std::string::npos);   // its "(not present)" line is a comment
    EXPECT_TRUE(r.out.ends_with("\n0 settings changed.\n\n"));
    EXPECT_EQ(machine.cmos_file(), before);
}

TEST_F(BulkApply, AHandWrittenFileAppliesEachRequestInOrder)
{
    tool_result r = readfile("# my changes\n"
                             "; date_generated:   whenever\n"
                             "\n"
                             "Power Profile:Power Saving\n"
                             "   # an indented comment\n"
                             "  Boot Delay   :   10s    # was 2s\n"
                             "Turbo Mode : Enabled\n"
                             "No Such Setting : On\n"
                             "TPM Security : On\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, request("Power Profile", "Power Saving", adjusting) +
                         request("Boot Delay", "10s", adjusting) + request("Turbo Mode", "Enabled", already) +
                         request("No Such Setting", "On", "     (skipping--setting not present on system)") +
                         "  requested setting:  TPM Security                   to state  On                 "
                         "Token 00f0 (for setting TPM Security) not found on system.\n"
                         "Token 00f1 (for setting TPM Security) not found on system.\n"
                         "     (skipping--setting not present on system)\n"
                         "\n2 settings changed.\n\n");
    EXPECT_EQ(machine.cmos(0x70, 0x42) & 0x03, 0x02);
    EXPECT_EQ(machine.cmos(0x72, 0x85) & 0x07, 0x05);
    EXPECT_EQ(machine.run_with_settings({"setting", "get", "Boot Delay"}).out, "10s\n");
}

TEST_F(BulkApply, AMalformedLineStopsTheRunAndEarlierChangesStay)
{
    for (const char* bad : {"Power Profile Balanced", "Power Profile : Bal:anced", "Boot Mode : UEFI : BIOS # x"}) {
        demo_machine fresh;
        std::string path = files.write("bad.settings", "# header\n\nBoot Delay : 5s\n" + std::string(bad) +
                                                           "\nTurbo Mode : Disabled\n");
        tool_result r = fresh.run_with_settings({"setting", "readfile", path});
        EXPECT_EQ(r.status, 1) << bad;
        std::string shown = std::string(bad).substr(0, std::string(bad).find('#'));
        EXPECT_EQ(r.out, request("Boot Delay", "5s", adjusting) + "Invalid/malformed setting found on line 4:\n" +
                             shown + "\n\n")
            << bad;
        EXPECT_EQ(fresh.cmos(0x72, 0x85) & 0x07, 0x04);   // 5s was written
        EXPECT_EQ(fresh.cmos(0x70, 0x45) & 0x01, 0x01);   // Turbo Mode was never reached
    }
}

TEST_F(BulkApply, AValueTheSettingLacksStopsTheRunAfterEarlierChanges)
{
    tool_result r = readfile("Boot Delay : 5s\nPower Profile : Turbo\nTurbo Mode : Disabled\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, request("Boot Delay", "5s", adjusting) + request("Power Profile", "Turbo", adjusting) +
                         "ERROR:  setting Power Profile does not have Turbo as an option.\n\n"
                         "Halting.  (The job may not have finished.)\n");
    EXPECT_EQ(machine.cmos(0x72, 0x85) & 0x07, 0x04);
    EXPECT_EQ(machine.cmos(0x70, 0x45) & 0x01, 0x01);
}

TEST_F(BulkApply, CrLfFilesApplySavedLinesButNotBareHandWrittenOnes)
{
    tool_result r = readfile("# header\r\n\r\nBoot Delay : 5s  # 0s*  5s   \r\nPower Profile : Custom\r\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, request("Boot Delay", "5s", adjusting) + request("Power Profile", "Custom\r", adjusting) +
                         "ERROR:  setting Power Profile does not have Custom\r as an option.\n\n"
                         "Halting.  (The job may not have finished.)\n");
    EXPECT_EQ(machine.cmos(0x72, 0x85) & 0x07, 0x04);
}

TEST_F(BulkApply, ReadfileAndCheckArgumentsAndMissingFiles)
{
    tool_result r = machine.run_with_settings({"setting", "readfile"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, expected_output("setting_usage.txt") +
                         "ERROR:  you must provide the filename to read settings from.\n\n");
    const std::string before = machine.cmos_file();
    r = machine.run_with_settings(
        {"setting", "readfile", files.write("user.settings", "Power Profile : Power Saving\n"), "extra"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: unexpected argument: extra\n");
    EXPECT_EQ(machine.cmos_file(), before);
    r = machine.run_with_settings({"setting", "check"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, expected_output("setting_usage.txt") +
                         "ERROR:  you must provide the filename of the settings to check.\n\n");

    for (const char* word : {"read", "check"}) {
        r = machine.run_with_settings({"setting", word, files.file("missing")});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "Error:  cannot open user bios settings file for reading:  " + files.file("missing") +
                             "\n\n");
    }
}

TEST_F(BulkApply, CheckReportsEveryLineWhereReadfileWouldStopAndWritesNothing)
{
    const std::string before = machine.cmos_file();
    tool_result r = check("# the new user's file\n"
                          "Turbo Mode : Disabled\n"
                          "Fan Speed : Turbo\n"
                          "turbo mode : Enabled\n"
                          "No Such Setting : On\n"
                          "TPM Security : On\n"
                          "Power Profile Balanced\n"
                          "Turbo Mode : Enabled   # back again\n"
                          "Boot Delay: 2s\n"
                          "Boot Delay : 10s\n"
                          "Power Profile : Custom\r\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Line 2:  Turbo Mode:  would change from Enabled to Disabled\n"
                     "Line 3:  Fan Speed:  PROBLEM:  Turbo is not one of its values:  Auto, Low, Medium, High, Full\n"
                     "Line 4:  turbo mode:  PROBLEM:  no such setting; only the case differs from Turbo Mode\n"
                     "Line 5:  No Such Setting:  PROBLEM:  no such setting\n"
                     "Line 6:  TPM Security:  PROBLEM:  not present on this system\n"
                     "Line 7:  PROBLEM:  malformed, a request is one name, ':' and one value:  Power Profile Balanced\n"
                     "Line 8:  Turbo Mode:  would change from Disabled to Enabled\n"
                     "Line 9:  Boot Delay:  already 2s\n"
                     "Line 10:  Boot Delay:  would change from 2s to 10s\n"
                     "Line 11:  Power Profile:  PROBLEM:  Custom\\r is not one of its values:  "
                     "Maximum Performance, Balanced, Power Saving, Custom\n"
                     "\n3 settings would change, 6 problems.\n"
                     "readfile would stop at line 3.\n\n");
    EXPECT_EQ(machine.cmos_file(), before);
}

TEST_F(BulkApply, CheckOfAFileThatReadfileCompletesTakesNoLockAndForeseesReadfile)
{
    const std::string file = "Power Profile : Power Saving\nTurbo Mode : Enabled  # as it is\n"
                             "Boot Delay : 5s\nBoot Delay : 10s\n";
    const std::string before = machine.cmos_file();
    tool_result r;
    {
        // Another cmoscfg run is writing: a dry run has no reason to wait for it.
        int held = ::open((machine.image_path() + "/cmos").c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
        tool_invocation invocation;
        invocation.arguments = {"setting", "check", files.write("user.settings", file)};
        invocation.env = {{"CMOSCFG_SETTINGS", machine.settings_path()}};
        invocation.timeout_seconds = 10;
        r = machine.run(invocation);
        ::close(held);
    }
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Line 1:  Power Profile:  would change from Balanced to Power Saving\n"
                     "Line 2:  Turbo Mode:  already Enabled\n"
                     "Line 3:  Boot Delay:  would change from 2s to 5s\n"
                     "Line 4:  Boot Delay:  would change from 5s to 10s\n"
                     "\n3 settings would change, 0 problems.\n"
                     "readfile would complete.\n\n");
    EXPECT_EQ(machine.cmos_file(), before);

    tool_result applied = readfile(file);
    EXPECT_EQ(applied.status, 0);
    EXPECT_TRUE(applied.out.ends_with("\n3 settings changed.\n\n")) << applied.out;
}

TEST_F(BulkApply, CheckFailsForAMissingNameThoughReadfileWouldComplete)
{
    tool_result r = check("No Such Setting : On\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Line 1:  No Such Setting:  PROBLEM:  no such setting\n"
                     "\n0 settings would change, 1 problems.\n"
                     "readfile would complete.\n\n");
}

TEST_F(BulkApply, CheckAndReadfileBothWriteTheFirstValueOfTheWantedName)
{
    // Disabled three times over: readfile writes the first, whose token is
    // on the machine; the later ones have no token here.
    const std::string settings = files.write("bios_settings.twice",
                                             "Turbo Mode, Enabled, 0016:Enabled, 0017:Disabled, 00f2:Disabled\n"
                                             "Turbo Mode, Enabled, 00f4:Enabled, 00f3:Disabled\n");
    const environment env{{"CMOSCFG_SETTINGS", settings}};
    const std::string file = files.write("user.settings", "Turbo Mode : Disabled\n");
    const std::string before = machine.cmos_file();
    tool_result r = machine.run({"setting", "check", file}, env);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Line 1:  Turbo Mode:  would change from Enabled to Disabled\n"
                     "\n1 settings would change, 0 problems.\n"
                     "readfile would complete.\n\n");
    EXPECT_EQ(machine.cmos_file(), before);

    r = machine.run({"setting", "readfile", file}, env);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.ends_with("     (adjusting)\n\n1 settings changed.\n\n")) << r.out;
    EXPECT_EQ(machine.cmos(0x70, 0x45) & 0x01, 0x00);
}

TEST_F(BulkApply, CheckAsJsonGivesEveryLineItsOutcome)
{
    // Twin's two values share Turbo Mode's token, which is set.
    const std::string settings = files.write(
        "bios_settings.json", "## Processor\n### Performance\n"
                              "Turbo Mode, Enabled, 0016:Enabled, 0017:Disabled, 00f2:Off\n"
                              "Power Profile, Balanced, 0020:Maximum Performance, 0021:Balanced, 0022:Power Saving, "
                              "0023:Custom\n"
                              "Twin, A, 0016:A, 0016:B\n"
                              "TPM Security, Off, 00f0:Off, 00f1:On\n");
    const std::string file = files.write("user.settings", "# my changes\n"
                                                          "Twin : A\n"
                                                          "Turbo Mode : Disabled\n"
                                                          "Power Profile : Balanced\n"
                                                          "power profile : Custom\n"
                                                          "No Such : On\n"
                                                          "TPM Security : On\n"
                                                          "Power Profile : Turbo\n"
                                                          "Turbo Mode : Off\n"
                                                          "bad line\n"
                                                          "\n");
    const std::string before = machine.cmos_file();
    tool_result r = machine.run({"setting", "check", "--json", file}, {{"CMOSCFG_SETTINGS", settings}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, expected_output("setting_check.json"));
    EXPECT_EQ(machine.cmos_file(), before);

    // A name that is not UTF-8 keeps its place, its bad byte shown as U+FFFD.
    r = machine.run({"setting", "check", "--json", files.write("latin1.settings", "Caf\xe9 Mode : On\n")},
                    {{"CMOSCFG_SETTINGS", settings}});
    EXPECT_NE(r.out.find("\"name\": \"Caf\xef\xbf\xbd Mode\""), std::string::npos) << r.out;

    r = machine.run({"setting", "check", "--json", files.file("missing")}, {{"CMOSCFG_SETTINGS", settings}});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error:  cannot open user bios settings file for reading:  " + files.file("missing") + "\n\n");
}

// A bank whose checksum range is reversed: every write to it fails. Check
// names that failure as readfile's stop, in text and in its document, and
// readfile stops there with the same error after the line before it.
TEST(CheckForeseesAFailingWrite, TheFailureIsAVerdictAndTheStopLine)
{
    test_machine machine(R"(
table e8000
d4 d400 70 71 00 40 7f 3e
token 0010 41 fe 01
token 0011 41 fe 00
d4 d401 72 73 00 90 80 9e
token 0020 91 fe 01
token 0021 91 fe 00
end-of-table
anchor f5a00
cmos 70 41 01
cmos 72 91 01
)");
    temp_dir files;
    const environment env{{"CMOSCFG_PLATFORM", "LAB1"}, {"CMOSCFG_UPDATE_METHOD", "quor_standard"},
                          {"CMOSCFG_SETTINGS", files.write("bios_settings", "A, On, 0010:On, 0011:Off\n"
                                                                            "B, On, 0020:On, 0021:Off\n")}};
    const std::string file = files.write("user.settings", "A : Off\nB : Off\n");
    const std::string error = "Attempted to calculate checksum, but loc_start (90) > loc_end (80)\n";
    const std::string before = machine.cmos_file();

    tool_result r = machine.run({"setting", "check", file}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Line 1:  A:  would change from On to Off\n"
                     "Line 2:  B:  PROBLEM:  readfile would fail here:  " + error +
                     "\n1 settings would change, 1 problems.\nreadfile would stop at line 2.\n\n");
    r = machine.run({"setting", "check", "--json", file}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("\"outcome\": \"fails\",\n      \"error\": \"Attempted to calculate checksum, but "
                         "loc_start (90) > loc_end (80)\\n\"\n    }\n  ],"), std::string::npos) << r.out;
    EXPECT_TRUE(r.out.ends_with("\"would_change\": 1,\n    \"problems\": 1,\n    \"stop_line\": 2,\n"
                                "    \"completes\": false\n  }\n}\n")) << r.out;
    EXPECT_EQ(machine.cmos_file(), before);

    r = machine.run({"setting", "readfile", file}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.ends_with("     (adjusting)\n" + error)) << r.out;
    EXPECT_EQ(machine.cmos(0x70, 0x41), 0x00);
    EXPECT_EQ(machine.cmos(0x72, 0x91), 0x01);
}

TEST_F(BulkApply, SetEachDefaultResetsOnlyWhatDiffers)
{
    // It takes no setting's name: resetting every setting is not what that asks.
    const std::string before = machine.cmos_file();
    tool_result r = machine.run_with_settings({"setting", "default", "Power Profile"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: unexpected argument: Power Profile\n");
    EXPECT_EQ(machine.cmos_file(), before);

    r = machine.run_with_settings({"setting", "set_each_default"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "setting Serial Console                to Off\n"
                     "setting PXE Boot NIC1                 to Enabled\n"
                     "setting Boot Delay                    to 0s\n"
                     "setting Boot Retry                    to Enabled\n"
                     "setting Boot Watchdog                 to Disabled\n"
                     "Token 00f0 (for setting TPM Security) not found on system.\n"
                     "Token 00f1 (for setting TPM Security) not found on system.\n"
                     "(Setting not present:  TPM Security)\n"
                     "\n5 settings changed.\n\n");
    EXPECT_EQ(machine.cmos(0x72, 0x80), 0x30);
    EXPECT_EQ(machine.cmos(0x72, 0x85), 0x00);

    const std::string after = machine.cmos_file();
    r = machine.run_with_settings({"setting", "defaults"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Token 00f0 (for setting TPM Security) not found on system.\n"
                     "Token 00f1 (for setting TPM Security) not found on system.\n"
                     "(Setting not present:  TPM Security)\n"
                     "\nNo changes needed (all settings at default).\n\n");
    EXPECT_EQ(machine.cmos_file(), after);

    tool_result diffs = machine.run_with_settings({"setting", "diff"});
    EXPECT_TRUE(diffs.out.ends_with("\n\n\n#TPM Security                 : (not present)   # \n\n"));
}

TEST(SettingsRoundTrip, SavedOnOneMachineAndAppliedToAnotherGivesTheSameSettings)
{
    demo_machine a;
    demo_machine b;
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"Power Profile", "Custom"}, {"Memory Mode", "Mirror"}, {"Terminal Type", "ANSI"}}) {
        ASSERT_EQ(a.run_with_settings({"setting", "set", name, value}).status, 0);
    }
    ASSERT_EQ(b.run_with_settings({"setting", "set", "Boot Delay", "30s"}).status, 0);

    tool_result saved = a.run_with_settings({"setting", "save"});
    temp_dir files;
    tool_result applied = b.run_with_settings({"setting", "readfile", files.write("a.settings", saved.out)});
    EXPECT_EQ(applied.status, 0);
    EXPECT_TRUE(applied.out.ends_with("\n4 settings changed.\n\n")) << applied.out;
    EXPECT_EQ(b.run_with_settings({"setting", "save"}).out, saved.out);
}

}  // namespace
