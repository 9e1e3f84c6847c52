// SPDX-License-Identifier: GPL-2.0-or-later
// `setting apply`: a file applied whole or not at all, journaled before its
// first byte, and an apply cut short rolled back by the next run that takes
// the lock, by status and by the boot record. An apply cut short is made by
// dropping its commit mark from the journal, which leaves CMOS as a run
// killed before the mark leaves it.
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/stat.h>

#include "support/demo_machine.hpp"

namespace {

using json = nlohmann::json;

class Apply : public testing::Test {
protected:
    void SetUp() override { std::ofstream(requests_path()) << "Turbo Mode : Disabled\nFan Speed : High\n"; }

    tool_result run(const std::vector<std::string>& words, bool warning = false,
                    const environment& env = demo_standard_method) const
    {
        tool_invocation invocation;
        invocation.arguments = words;
        invocation.env = env;
        invocation.env["CMOSCFG_SETTINGS"] = machine.settings_path();
        invocation.standard_error_expected = warning;
        return machine.run(invocation);
    }

    std::string file(const std::string& name) const
    {
        std::ifstream in(machine.image_path() + "/" + name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string requests_path() const { return machine.image_path() + "/requests"; }

    std::vector<json> journal() const
    {
        std::vector<json> lines;
        std::istringstream text(file("journal"));
        for (std::string line; std::getline(text, line);)
            lines.push_back(json::parse(line));
        return lines;
    }

    // The apply as a run killed before its commit mark leaves it.
    void cut_short_apply() const
    {
        ASSERT_EQ(run({"setting", "apply", requests_path()}).status, 0);
        std::string text = file("journal");
        text.erase(text.rfind('\n', text.size() - 2) + 1);
        std::ofstream(machine.image_path() + "/journal", std::ios::trunc) << text;
    }

    void poke(std::uint8_t location, std::uint8_t value) const
    {
        std::fstream cmos(machine.image_path() + "/cmos", std::ios::in | std::ios::out | std::ios::binary);
        cmos.seekp(0x70 * 256 + location);
        cmos.put(static_cast<char>(value));
    }

    demo_machine machine;
};

TEST_F(Apply, AppliesTheWholeFileAsReadfileWouldAndJournalsItFirst)
{
    demo_machine twin;
    std::ofstream(machine.image_path() + "/boot_id") << "boot-1\n";
    ASSERT_EQ(run({"boot-record", "--at-boot"}).status, 0);
    const std::string before = file("cmos");
    tool_result applied = run({"setting", "apply", requests_path()});
    EXPECT_EQ(applied.status, 0);
    const std::vector<json> records = journal();
    ASSERT_EQ(records.size(), 2u);
    const std::string id = records[0]["apply"];
    EXPECT_EQ(applied.out, "Line 1:  Turbo Mode:  changed from Enabled to Disabled\n"
                           "Line 2:  Fan Speed:  changed from Auto to High\n\n"
                           "2 settings changed, applied whole (journal record " + id + ").\n\n");
    // Two token writes, each a token byte and the bank's word.
    EXPECT_EQ(records[0]["bytes"].size(), 6u);
    EXPECT_EQ(records[0]["requests"], json::parse(R"([{"name":"Turbo Mode","value":"Disabled"},)"
                                                  R"({"name":"Fan Speed","value":"High"}])"));
    EXPECT_EQ(records[1]["mark"], "committed");
    EXPECT_EQ(records[1]["apply"], id);

    // The same bytes as readfile writes.
    tool_invocation readfile;
    readfile.arguments = {"setting", "readfile", requests_path()};
    readfile.env = demo_standard_method;
    readfile.env["CMOSCFG_SETTINGS"] = twin.settings_path();
    ASSERT_EQ(twin.run(readfile).status, 0);
    std::ifstream twin_cmos(twin.image_path() + "/cmos", std::ios::binary);
    std::ostringstream twin_bytes;
    twin_bytes << twin_cmos.rdbuf();
    EXPECT_EQ(file("cmos"), twin_bytes.str());
    EXPECT_NE(file("cmos"), before);

    // Applied again, nothing is left to do and nothing is journaled, but the
    // first apply still waits for the reboot; the trace keeps out of the
    // document.
    environment traced = demo_standard_method;
    traced["DEBUG"] = "1";
    json again = json::parse(run({"setting", "apply", "--skip-missing", "--json", requests_path()}, true, traced).out);
    EXPECT_EQ(again, json::parse(R"({"applied": true, "journal_record": null, "pending_reboot": true, "changes": []})"));
    EXPECT_EQ(journal().size(), 2u);

    // Put back to what it booted with, a setting no longer waits for the
    // reboot; once both are back, nothing does.
    std::ofstream(requests_path(), std::ios::trunc) << "Turbo Mode : Enabled\n";
    json back = json::parse(run({"setting", "apply", "--json", requests_path()}).out);
    EXPECT_EQ(back["pending_reboot"], true);
    EXPECT_EQ(back["changes"], json::parse(R"([{"line":1,"name":"Turbo Mode","before":"Disabled","after":"Enabled",)"
                                           R"("booted":"Enabled","next_boot":"Enabled"}])"));
    std::ofstream(requests_path(), std::ios::trunc) << "Fan Speed : Auto\n";
    EXPECT_EQ(json::parse(run({"setting", "apply", "--json", requests_path()}).out)["pending_reboot"], false);
}

TEST_F(Apply, RefusesBeforeAnyWrite)
{
    const std::string before = file("cmos");
    std::ofstream(requests_path()) << "Turbo Mode : Disabled\nFan Speed : Loud\n";
    tool_result refused = run({"setting", "apply", requests_path()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "Line 1:  Turbo Mode:  would change from Enabled to Disabled\n"
                           "Line 2:  Fan Speed:  PROBLEM:  Loud is not one of its values:  Auto, Low, Medium, "
                           "High, Full\n\nNot applied, nothing written: readfile would stop at line 2.\n\n");

    std::ofstream(requests_path()) << "Turbo Mode : Disabled\nWarp Drive : On\n";
    json missing = json::parse(run({"setting", "apply", "--json", requests_path()}).out);
    EXPECT_EQ(missing["applied"], false);
    EXPECT_EQ(missing["refused"], "1 setting named is not on this system (--skip-missing applies the rest)");
    EXPECT_EQ(missing["check"]["lines"][1]["outcome"], "unknown_name");
    EXPECT_EQ(file("cmos"), before);
    EXPECT_EQ(file("journal"), "");

    // A journal that cannot be written: the apply is refused, not made unjournaled.
    ASSERT_EQ(::mkdir((machine.image_path() + "/journal").c_str(), 0700), 0);
    tool_result unjournaled = run({"setting", "apply", "--skip-missing", requests_path()});
    EXPECT_EQ(unjournaled.status, 1);
    EXPECT_EQ(unjournaled.out, "Error:  cannot write the journal " + machine.image_path() +
                                   "/journal:  Is a directory\nNothing was written: an apply is journaled first.\n");
    EXPECT_EQ(file("cmos"), before);

    ASSERT_EQ(::rmdir((machine.image_path() + "/journal").c_str()), 0);
    // Without a boot id nothing is known of what booted, nor that a reboot waits.
    json skipped = json::parse(run({"setting", "apply", "--json", "--skip-missing", requests_path()}).out);
    EXPECT_EQ(skipped["pending_reboot"], false);
    EXPECT_EQ(skipped["changes"], json::parse(R"([{"line":1,"name":"Turbo Mode","before":"Enabled","after":"Disabled",)"
                                              R"("booted":null,"next_boot":"Disabled"}])"));
    EXPECT_EQ(run({"setting", "apply", requests_path(), "extra"}).out, "Error: unexpected argument: extra\n");
}

// Each of the runs that find an apply left open rolls it back before it does
// its own work, and the journal says so.
TEST_F(Apply, AnApplyCutShortIsRolledBackFirst)
{
    const std::string before = file("cmos");
    const std::vector<std::vector<std::string>> finders = {
        {"setting", "set", "NumLock", "Off"},
        {"boot-record"},
        {"setting", "status", "--json"},
    };
    for (const std::vector<std::string>& words : finders) {
        const std::string finder = words.back();
        SCOPED_TRACE(finder);
        std::ofstream(machine.image_path() + "/journal", std::ios::trunc).flush();
        ::unlink((machine.image_path() + "/boot-record").c_str());
        std::ofstream(machine.image_path() + "/cmos", std::ios::binary | std::ios::trunc) << before;
        cut_short_apply();
        const std::string id = journal().back()["apply"];
        tool_result found = run(words, true);
        EXPECT_EQ(found.status, 0);
        EXPECT_EQ(found.err, "cmoscfg: rolled back the apply " + id + ", which did not finish: 3 CMOS bytes put back\n");
        const std::vector<json> records = journal();
        ASSERT_GE(records.size(), 2u);
        EXPECT_EQ(records[1]["mark"], "rolled_back");
        EXPECT_EQ(records[1]["apply"], id);
        if (finder == "Off") {
            EXPECT_EQ(run({"setting", "get", "NumLock"}).out, "Off\n");
            continue;
        }
        EXPECT_EQ(file("cmos"), before);
        if (finder == "--json") {
            EXPECT_EQ(json::parse(found.out)["last_apply"]["state"], "rolled_back");
        }
    }
    // A boot later, verify tells the apply did not take.
    std::ofstream(machine.image_path() + "/boot_id") << "boot-2\n";
    ASSERT_EQ(run({"boot-record", "--at-boot"}).status, 0);
    tool_result verified = run({"setting", "verify"});
    EXPECT_EQ(verified.status, 1);
    EXPECT_NE(verified.out.find("Turbo Mode:  rolled back: written Disabled; the apply "), std::string::npos)
        << verified.out;
}

TEST_F(Apply, ARollBackLeavesAByteSomeoneElseWroteAndSumsItsBank)
{
    const std::string before = file("cmos");
    cut_short_apply();
    const std::vector<json> records = journal();
    const json& turbo_byte = records[0]["bytes"][0];
    const std::uint8_t location = turbo_byte["location"];
    const std::uint8_t theirs = static_cast<std::uint8_t>(static_cast<int>(turbo_byte["after"]) ^ 0x80);
    poke(location, theirs);
    tool_result found = run({"setting", "status"}, true);
    char left[128];
    std::snprintf(left, sizeof left, "cmoscfg: warning: CMOS byte 70:%02x left at %02x: written by another since the apply\n",
                  location, theirs);
    EXPECT_NE(found.err.find(left), std::string::npos) << found.err;
    EXPECT_EQ(machine.cmos(0x70, location), theirs);
    EXPECT_EQ(journal()[1]["left"], json::parse("[{\"port\":112,\"location\":" + std::to_string(location) +
                                                ",\"found\":" + std::to_string(theirs) + "}]"));
    // Fan Speed is back, and the bank's sum holds what was left.
    EXPECT_EQ(run({"setting", "get", "Fan Speed"}).out, "Auto\n");
    json status = json::parse(run({"setting", "status", "--json"}).out);
    EXPECT_EQ(status["last_apply"]["state"], "rolled_back");
    EXPECT_NE(file("cmos"), before);
    EXPECT_NE(run({"boot-record"}).out.find("bank 70 checksum valid"), std::string::npos);
}

// Killed before any of its writes and flushes, an apply leaves, once the
// next run has looked, the whole image before it or the whole image after
// it: after only when it was killed past its commit mark's write.
TEST_F(Apply, AKillAtAnyWriteLeavesTheWholeImageBeforeOrAfter)
{
    std::ofstream(requests_path()) << "Turbo Mode : Disabled\nFan Speed : High\nSerial Console : COM2\n"
                                      "Boot Delay : 30s\nNumLock : Off\nEmbedded SATA : RAID\n";
    const std::string before = file("cmos");
    for (const char* method : {"arc_direct", "quor_standard"}) {
        SCOPED_TRACE(method);
        environment env{{"CMOSCFG_PLATFORM", "K2A07"}, {"CMOSCFG_UPDATE_METHOD", method}};
        auto start_afresh = [&] {
            std::ofstream(machine.image_path() + "/cmos", std::ios::binary | std::ios::trunc) << before;
            std::ofstream(machine.image_path() + "/journal", std::ios::trunc).flush();
        };
        start_afresh();
        // A sanitized tool lets a preloaded library come before its runtime.
        env["ASAN_OPTIONS"] = "verify_asan_link_order=0";
        environment counting = env;
        counting["LD_PRELOAD"] = KILL_AT_EVENT;
        counting["CMOSCFG_TEST_COUNT_EVENTS"] = "1";
        tool_result whole = run({"setting", "apply", requests_path()}, true, counting);
        ASSERT_EQ(whole.status, 0);
        // One flush for the record, one for its mark; a write for each change.
        ASSERT_EQ(whole.err, "events: 6 pwrite, 2 fsync\n");
        const std::string after = file("cmos");
        ASSERT_NE(after, before);

        for (int event = 0; event < 8; ++event) {
            SCOPED_TRACE(event);
            start_afresh();
            environment killing = env;
            killing["LD_PRELOAD"] = KILL_AT_EVENT;
            killing["CMOSCFG_TEST_KILL_AT"] = std::to_string(event);
            ASSERT_EQ(run({"setting", "apply", requests_path()}, false, killing).status, 128 + SIGKILL);
            tool_result next = run({"setting", "status"}, true, env);
            EXPECT_EQ(next.status, 0);
            EXPECT_EQ(file("cmos") == after, event == 7);
            EXPECT_EQ(file("cmos") == before, event < 7);
            EXPECT_EQ(next.err.find("rolled back the apply") != std::string::npos, event < 7) << next.err;
        }
    }
}

}  // namespace
