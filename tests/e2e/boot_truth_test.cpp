// SPDX-License-Identifier: GPL-2.0-or-later
// What the machine booted with, what it will boot with and whether a change
// took: boot records, the journal, `setting status` and `setting verify` on
// the demo image, rebooted by giving it a new boot id.
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include "support/demo_machine.hpp"

namespace {

using json = nlohmann::json;

// The standard method keeps a checksum per bank: bank 70's word at 3e over
// 40..7f, bank 72's at fd over 80..fc.
class BootTruth : public testing::Test {
protected:
    tool_result run(const std::vector<std::string>& words, bool warning = false) const
    {
        tool_invocation invocation;
        invocation.arguments = words;
        invocation.env = demo_standard_method;
        invocation.env["CMOSCFG_SETTINGS"] = machine.settings_path();
        invocation.standard_error_expected = warning;
        return machine.run(invocation);
    }

    // A reboot: a new boot id, and the boot unit's record of it.
    void reboot(const std::string& boot_id, bool record = true) const
    {
        std::ofstream(machine.image_path() + "/boot_id") << boot_id << "\n";
        if (record) {
            ASSERT_EQ(run({"boot-record", "--at-boot"}).status, 0);
        }
    }

    // A byte changed behind the tool's back; with the bank's word kept
    // right, as firmware that sets a value itself does.
    void poke_file(std::uint16_t port, std::uint8_t location, std::uint8_t value, bool keep_checksum) const
    {
        std::fstream cmos(machine.image_path() + "/cmos", std::ios::in | std::ios::out | std::ios::binary);
        auto at = [&](std::uint8_t l) { return static_cast<std::streamoff>(port) * 256 + l; };
        const std::uint8_t word_at = port == 0x70 ? 0x3E : 0xFD;
        const int delta = value - machine.cmos(port, location);
        const int word = (machine.cmos(port, word_at) * 256 + machine.cmos(port, word_at + 1) + delta) & 0xFFFF;
        cmos.seekp(at(location));
        cmos.put(static_cast<char>(value));
        if (keep_checksum) {
            cmos.seekp(at(word_at));
            cmos.put(static_cast<char>(word >> 8));
            cmos.put(static_cast<char>(word & 0xFF));
        }
    }

    json document(const std::vector<std::string>& words) const { return json::parse(run(words).out); }

    json setting_in(const json& status, const std::string& name) const
    {
        for (const json& setting : status["settings"]) {
            if (setting["name"] == name)
                return setting;
        }
        return nullptr;
    }

    demo_machine machine;
};

TEST_F(BootTruth, AChangeIsPendingUntilTheRebootAndAppliedAfterIt)
{
    reboot("boot-1");
    json status = document({"setting", "status", "--json"});
    EXPECT_EQ(status["pending_reboot"], false);
    EXPECT_EQ(status["boot_record"]["at_boot"], true);
    EXPECT_EQ(status["boot_record"]["banks"],
              json::parse(R"([{"port":112,"valid_at_boot":true,"valid_now":true},)"
                          R"({"port":114,"valid_at_boot":true,"valid_now":true}])"));

    ASSERT_EQ(run({"setting", "set", "Turbo Mode", "Disabled"}).out, "");
    status = document({"setting", "status", "--json"});
    EXPECT_EQ(status["pending_reboot"], true);
    json turbo = setting_in(status, "Turbo Mode");
    EXPECT_EQ(turbo["booted"], "Enabled");
    EXPECT_EQ(turbo["next_boot"], "Disabled");
    EXPECT_EQ(turbo["pending"], true);
    EXPECT_EQ(turbo["changed_outside"], false);
    EXPECT_EQ(turbo["last_written"]["value"], "Disabled");
    EXPECT_EQ(turbo["last_written"]["this_boot"], true);
    EXPECT_EQ(setting_in(status, "C-States")["pending"], false);

    tool_result text = run({"setting", "status"});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("\nReboot pending:  yes\nBank 70 checksum:  valid at boot, valid now\n"
                            "Bank 72 checksum:  valid at boot, valid now\n\n"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("\nTurbo Mode:  booted Enabled, next boot Disabled (pending); last written Disabled at "),
              std::string::npos);
    EXPECT_NE(text.out.find("\nC-States:  booted Enabled, next boot Enabled\n"), std::string::npos);

    reboot("boot-2");
    EXPECT_EQ(document({"setting", "status", "--json"})["pending_reboot"], false);
    tool_result verify = run({"setting", "verify"});
    EXPECT_EQ(verify.status, 0);
    EXPECT_EQ(verify.out, "Turbo Mode:  applied (Disabled)\n\n1 of 1 changes made before this boot applied.\n");
}

TEST_F(BootTruth, VerifyTellsWhatBecameOfEachChange)
{
    reboot("boot-1");
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"Turbo Mode", "Disabled"}, {"C-States", "Disabled"}, {"Fan Speed", "High"}, {"Serial Console", "COM1"}})
        ASSERT_EQ(run({"setting", "set", name, value}).status, 0) << name;
    // C-States put back by a raw token write of the tool's; Fan Speed set to
    // Medium by the firmware as it boots; bank 72's checksum broken.
    ASSERT_EQ(run({"setraw", "70", "42", "fb", "04"}).status, 0);
    reboot("boot-2", false);
    poke_file(0x70, 0x46, 0x02, true);
    poke_file(0x72, 0xFE, static_cast<std::uint8_t>(machine.cmos(0x72, 0xFE) + 1), false);
    ASSERT_EQ(run({"boot-record", "--at-boot"}).status, 0);

    tool_result verify = run({"setting", "verify"});
    EXPECT_EQ(verify.status, 1);
    EXPECT_EQ(verify.out, "Turbo Mode:  applied (Disabled)\n"
                          "C-States:  overwritten: written Disabled, booted Enabled; changed after it was written, "
                          "by: cmoscfg setraw 70 42 fb 04\n"
                          "Fan Speed:  not applied: written High, booted Medium; the firmware booted another value\n"
                          "Serial Console:  reset to defaults: written COM1, booted COM1; the checksum of bank 72 "
                          "was invalid at boot\n"
                          "\n1 of 4 changes made before this boot applied.\n");
    json verified = document({"setting", "verify", "--json"});
    EXPECT_EQ(verified["all_applied"], false);
    std::vector<std::string> outcomes;
    for (const json& change : verified["settings"])
        outcomes.push_back(change["outcome"]);
    EXPECT_EQ(outcomes, (std::vector<std::string>{"applied", "overwritten", "not_applied", "reset_to_defaults"}));

    // A bank that came back at its defaults, its checksum right, was reset:
    // the firmware's bytes of bank 72 are those of a copy put to defaults.
    reboot("boot-3", false);
    ASSERT_EQ(run({"setting", "set", "Embedded SATA", "RAID"}).status, 0);
    reboot("boot-4", false);
    demo_machine reset;
    ASSERT_EQ(reset.run_with_settings({"setting", "set_each_default"}, demo_standard_method).status, 0);
    {
        std::fstream cmos(machine.image_path() + "/cmos", std::ios::in | std::ios::out | std::ios::binary);
        cmos.seekp(0x7280);
        cmos.write(reset.cmos_file().data() + 0x7280, 0x80);
    }
    ASSERT_EQ(run({"boot-record", "--at-boot"}).status, 0);
    verified = document({"setting", "verify", "--json"});
    ASSERT_EQ(verified["settings"].size(), 5u);
    EXPECT_EQ(verified["settings"][4]["name"], "Embedded SATA");
    EXPECT_EQ(verified["settings"][4]["outcome"], "reset_to_defaults");
    EXPECT_EQ(verified["settings"][4]["reason"], "the settings of bank 72 booted at their defaults");
}

TEST_F(BootTruth, WithoutARecordOfThisBootNothingIsGuessed)
{
    // No boot id at all: an image without the file.
    tool_result status = run({"setting", "status"});
    EXPECT_EQ(status.status, 0);
    EXPECT_TRUE(status.out.starts_with("Boot record:  none; this machine has no boot id, so what it booted with is "
                                       "unknown.\nReboot pending:  no\n"))
        << status.out;

    reboot("boot-1", false);
    ASSERT_EQ(run({"setting", "set", "Turbo Mode", "Disabled"}).status, 0);
    json document_now = document({"setting", "status", "--json"});
    EXPECT_EQ(document_now["boot_record"], nullptr);
    EXPECT_EQ(setting_in(document_now, "Turbo Mode")["booted"], nullptr);
    EXPECT_EQ(document_now["pending_reboot"], true);   // written in this boot

    reboot("boot-2", false);
    tool_result verify = run({"setting", "verify"});
    EXPECT_EQ(verify.status, 1);
    EXPECT_EQ(verify.out, "Turbo Mode:  unknown: written Disabled; no boot record for this boot\n"
                          "\n0 of 1 changes made before this boot applied.\n");

    // A record made by hand later in the boot says so.
    ASSERT_EQ(run({"boot-record"}).status, 0);
    status = run({"setting", "status"});
    EXPECT_TRUE(status.out.starts_with("Boot record:  made by hand after the boot, not by the boot unit, ")) << status.out;
    EXPECT_EQ(document({"setting", "status", "--json"})["boot_record"]["at_boot"], false);
}

TEST_F(BootTruth, AJournalThatIsCutShortOrCannotBeWrittenChangesNoOutput)
{
    reboot("boot-1");
    ASSERT_EQ(run({"setting", "set", "Turbo Mode", "Disabled"}).status, 0);
    {
        std::ofstream journal(machine.image_path() + "/journal", std::ios::app);
        journal << "{\"time\":\"2026-12-10T10:00:00Z\",\"boot_id\":\"boot-1\",\"ui";   // a power loss
    }
    ASSERT_EQ(run({"setting", "set", "C-States", "Disabled"}).status, 0);
    reboot("boot-2");
    EXPECT_EQ(run({"setting", "verify"}).out,
              "Turbo Mode:  applied (Disabled)\nC-States:  applied (Disabled)\n"
              "\n2 of 2 changes made before this boot applied.\n");

    // In the journal's place a directory, then a link: the write is made and
    // reported as ever, with one warning.
    ::unlink((machine.image_path() + "/journal").c_str());
    ::mkdir((machine.image_path() + "/journal").c_str(), 0700);
    tool_result r = run({"setting", "set", "Turbo Mode", "Enabled"}, true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "cmoscfg: warning: the write was not journaled in " + machine.image_path() +
                         "/journal: Is a directory\n");
    EXPECT_EQ(machine.cmos(0x70, 0x45) & 0x01, 0x01);
    ::rmdir((machine.image_path() + "/journal").c_str());
    ASSERT_EQ(::symlink("/dev/null", (machine.image_path() + "/journal").c_str()), 0);
    r = run({"setting", "set", "Turbo Mode", "Disabled"}, true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("not journaled"), std::string::npos);
}

}  // namespace
