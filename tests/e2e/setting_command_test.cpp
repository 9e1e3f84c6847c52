// SPDX-License-Identifier: GPL-2.0-or-later
// The setting command family on the demo machine: whole listings compared
// with expected-output files, the changes they make, and their errors.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string_view>
#include <utility>

#include "support/demo_machine.hpp"

namespace {

// The save listing with the header lines that only the exact word "save" adds
// taken out, and the command line shown with another word.
std::string without_save_lines(std::string listing, const std::string& from, const std::string& word)
{
    for (std::string_view line : {"# (listing all BIOS settings)\n", "# generated from:  ./cmoscfg setting save\n",
                                 "# (listing only BIOS settings that differ from defaults)\n",
                                 "# generated from:  ./cmoscfg setting save_diffs\n"}) {
        if (auto at = listing.find(line); at != std::string::npos)
            listing.erase(at, line.size());
    }
    std::string shown = "# ./cmoscfg setting " + from + " > filename\n";
    listing.replace(listing.find(shown), shown.size(), "# ./cmoscfg setting " + word + " > filename\n");
    return listing;
}

TEST(HelpTexts, UsageAndEngineeringHelp)
{
    demo_machine machine;
    tool_invocation invocation;
    invocation.program_name = "./cmoscfg";
    invocation.env = {{"CMOSCFG_SETTINGS", machine.settings_path()}};
    tool_result usage = machine.run(invocation);
    EXPECT_EQ(usage.status, 0);
    EXPECT_EQ(usage.out, expected_output("usage.txt"));

    tool_result enghelp = machine.run_with_settings({"enghelp", "extra"});
    EXPECT_EQ(enghelp.status, 0);
    EXPECT_EQ(enghelp.out, expected_output("enghelp.txt"));
}

TEST(SettingCommand, UsageAndUnknownSubCommands)
{
    demo_machine machine;
    tool_result usage = machine.run_with_settings({"setting"});
    EXPECT_EQ(usage.status, 0);
    EXPECT_EQ(usage.out, expected_output("setting_usage.txt"));

    for (const char* word : {"List", "dif", "rea", "defaul", "sav", ""}) {
        tool_result r = machine.run_with_settings({"settings", word});
        EXPECT_EQ(r.status, 1) << word;
        EXPECT_EQ(r.out, expected_output("setting_usage.txt") + "ERROR:  command not recognized:  " + word + "\n\n");
    }
}

TEST(SettingCommand, Listings)
{
    demo_machine machine;
    const std::string before = machine.cmos_file();
    struct listing {
        std::vector<std::string> words;
        std::string expected;
    };
    const std::string save = expected_output("setting_save.txt");
    const std::string save_diffs = expected_output("setting_save_diffs.txt");
    const listing listings[] = {
        {{"setting", "list"}, expected_output("setting_list.txt")},
        {{"settings", "visual"}, expected_output("setting_visual.txt")},
        {{"setting", "save", "ignored"}, save},
        {{"setting", "show"}, without_save_lines(save, "save", "show")},
        {{"setting", "save_diffs"}, save_diffs},
        {{"setting", "diff"}, without_save_lines(save_diffs, "save_diffs", "diff")},
        {{"setting", "diffs"}, without_save_lines(save_diffs, "save_diffs", "diffs")},
    };
    for (const listing& l : listings) {
        tool_result r = machine.run_with_settings(l.words);
        EXPECT_EQ(r.status, 0) << l.words[1];
        EXPECT_EQ(r.out, l.expected) << l.words[1];
    }
    EXPECT_EQ(machine.cmos_file(), before);
}

// The body of a save listing (after its date line) as the settings of a JSON
// document describe it: heads, then one line per setting with its options.
std::string listing_body_from_json(const nlohmann::json& document)
{
    std::string body;
    std::string section, subsection;
    for (const nlohmann::json& setting : document["settings"]) {
        bool new_section = setting["section"] != section;
        bool new_subsection = setting["subsection"] != subsection;
        if (new_section || new_subsection) {
            section = setting["section"];
            subsection = setting["subsection"];
            body += "\n" + (new_section ? "## " + section + "\n" : "") +
                    (new_subsection ? "### " + subsection + "\n" : "") + "\n";
        }
        std::string options = "# ";
        for (const std::string value : setting["value_names"])
            options += value + (value == setting["default"] ? "*" : " ") + "  ";
        const std::string name = setting["name"];
        char line[400];
        if (setting["value"].is_null())
            std::snprintf(line, sizeof line, "#%-28s : %-15s %s\n", name.c_str(), "(not present)", options.c_str());
        else
            std::snprintf(line, sizeof line, "%-29s : %-15s %s\n", name.c_str(),
                          setting["value"].get<std::string>().c_str(), options.c_str());
        body += line;
        EXPECT_EQ(setting["at_default"], setting["value"] == setting["default"]) << name;
    }
    return body + "\n";
}

TEST(SettingCommand, JsonAgreesWithTheSaveListingForEverySetting)
{
    demo_machine machine;
    const std::string before = machine.cmos_file();
    tool_result r = machine.run_with_settings({"setting", "json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with("{\n  \"platform\": \"K2A07\",\n  \"settings_file\": \"")) << r.out;
    nlohmann::json document = nlohmann::json::parse(r.out);
    EXPECT_EQ(document["settings_file"], machine.settings_path());
    EXPECT_EQ(document["settings"].size(), 23u);   // every line of the settings file

    std::string save = machine.run_with_settings({"setting", "save"}).out;
    EXPECT_EQ(save.substr(save.find("; date_generated")),
              "; date_generated:   " + std::string(DEMO_DATE) + "\n\n\n" + listing_body_from_json(document));
    EXPECT_EQ(machine.cmos_file(), before);
}

// DEBUG, whatever its value, leaves the document alone: the start-up's trace
// lines and the command's own go to standard error.
TEST(SettingCommand, JsonTracesGoToStandardError)
{
    demo_machine machine;
    tool_invocation invocation;
    invocation.arguments = {"setting", "json"};
    invocation.env = {{"CMOSCFG_SETTINGS", machine.settings_path()}};
    const std::string document = machine.run(invocation).out;
    ASSERT_TRUE(nlohmann::json::accept(document)) << document;

    invocation.standard_error_expected = true;
    const std::pair<const char*, const char*> runs[] = {{"0", "setting"}, {"1", "settings"}};
    for (const auto& [debug, command] : runs) {
        invocation.env["DEBUG"] = debug;
        invocation.arguments[0] = command;
        tool_result r = machine.run(invocation);
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.out, document) << command;
        EXPECT_TRUE(r.err.starts_with("# Platform explicitly set to:  K2A07\n")) << r.err;
        EXPECT_NE(r.err.find("\n# Opening settings file:  " + machine.settings_path() + "\nidx port:"),
                  std::string::npos) << r.err;
    }
}

TEST(SettingCommand, JsonIsValidWhateverBytesTheNamesHold)
{
    test_machine machine("table e8000\nd4 d400 70 71 00 40 7f 3e\ntoken 0010 41 fe 01\ntoken 0011 41 fd 02\n"
                         "end-of-table\nanchor f5a00\ncmos 70 41 01\n");
    temp_dir files;
    // A valid UTF-8 section, a name with a byte that is not UTF-8, CR LF line ends.
    const std::string settings =
        files.write("bios_settings", "## Se\xc3\xa7\xc3\xa3o\r\nMode\xff\"\\, On, 0010:On, 0011:Off\r\n");
    tool_result r = machine.run({"setting", "json"}, {{"CMOSCFG_SETTINGS", settings}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "{\n"
                     "  \"platform\": \"K2A07\",\n"
                     "  \"settings_file\": \"" + settings + "\",\n"
                     "  \"settings\": [\n"
                     "    {\n"
                     "      \"section\": \"Se\xc3\xa7\xc3\xa3o\\r\",\n"
                     "      \"subsection\": \"\",\n"
                     "      \"name\": \"Mode\xef\xbf\xbd\\\"\\\\\",\n"
                     "      \"value\": \"On\",\n"
                     "      \"default\": \"On\",\n"
                     "      \"value_names\": [\n"
                     "        \"On\",\n"
                     "        \"Off\\r\"\n"
                     "      ],\n"
                     "      \"at_default\": true\n"
                     "    }\n"
                     "  ]\n"
                     "}\n");
    EXPECT_TRUE(nlohmann::json::accept(r.out));
}

TEST(SettingCommand, GetAndSet)
{
    demo_machine machine;
    struct run {
        std::vector<std::string> words;
        int status;
        std::string out;
    };
    const run runs[] = {
        {{"setting", "get", "Power Profile"}, 0, "Balanced\n"},
        {{"setting", "set", "Power Profile", "Power Saving", "Balanced"}, 1, "Error: unexpected argument: Balanced\n"},
        {{"setting", "get", "Power Profile"}, 0, "Balanced\n"},
        {{"setting", "set", "Power Profile", "Power Saving"}, 0, ""},
        {{"setting", "get", "Power Profile"}, 0, "Power Saving\n"},
        {{"setting", "get"}, 1, "Setting is not present on system:  (null)\nHalting.\n\n"},
        {{"setting", "get", "power profile"}, 1, "Setting is not present on system:  power profile\nHalting.\n\n"},
        {{"setting", "get", "TPM Security"}, 1,
         "Token 00f0 (for setting TPM Security) not found on system.\n"
         "Token 00f1 (for setting TPM Security) not found on system.\n"
         "Setting is not present on system:  TPM Security\nHalting.\n\n"},
        {{"setting", "set", "Power Profile"}, 1, "Must provide setting_name and value to set.\n\n"},
        {{"setting", "set", "No Such", "On"}, 1, "Setting is not present on system:  No Such\nHalting.\n\n"},
        {{"setting", "set", "Power Profile", "balanced"}, 1,
         "ERROR:  setting Power Profile does not have balanced as an option.\n\n"
         "Halting.  (The job may not have finished.)\n"},
    };
    for (const run& r : runs) {
        tool_result result = machine.run_with_settings(r.words);
        EXPECT_EQ(result.status, r.status) << r.words.back();
        EXPECT_EQ(result.out, r.out) << r.words.back();
    }
    // Power Saving is 10 in bits 1..0 of 70:42; the direct method moved the
    // checksum word at 70:3e/3f by the byte's change (+1).
    EXPECT_EQ(machine.cmos(0x70, 0x42), 0x06);
}

TEST(SettingCommand, SettingTheActiveValueStillWritesItAndRepairsTheChecksum)
{
    demo_machine machine;
    // Break the standard checksum of bank 70 first; a standard-method write recomputes it.
    ASSERT_EQ(machine.run({"poke", "70", "3f", "0"}).status, 0);
    tool_result r = machine.run_with_settings({"setting", "set", "NumLock", "On"}, {{"CMOSCFG_PLATFORM", "K2E07"}});
    EXPECT_EQ(r.status, 0);
    tool_result sum = machine.run({"checksum", "0", "70", "40", "7f"});
    tool_result stored_high = machine.run({"peek", "70", "3e", "0"});
    tool_result stored_low = machine.run({"peek", "70", "3f", "0"});
    EXPECT_EQ(sum.out, stored_high.out.substr(0, 2) + stored_low.out);
}

TEST(SettingCommand, TwoActiveValuesHaltTheListingsButShowInTheVisualTable)
{
    test_machine machine(R"(
table e8000
d4 d400 70 71 00 40 7f 3e
token 0010 41 fe 01
token 0011 41 fd 02
end-of-table
anchor f5a00
cmos 70 41 03
)");
    temp_dir files;
    const std::string settings = files.write("bios_settings", "## Processor\n### Cores\n"
                                                                "Turbo, Off, 0010:On, 0011:Off\n");
    fake_programs programs;
    programs.add_script("date", "echo '12/09/2026 10:00:00'\n");
    const environment env{{"CMOSCFG_SETTINGS", settings}, {"PATH", programs.path()}};

    tool_result visual = machine.run({"setting", "visual"}, env);
    EXPECT_EQ(visual.status, 0);
    EXPECT_EQ(visual.out, "\n\n## Processor\n### Cores\n\n"
                          "Turbo                         [ On ]          [ Off*]         \n\n");

    tool_result diff = machine.run({"setting", "diff"}, env);
    EXPECT_EQ(diff.status, 1);
    EXPECT_EQ(diff.out.substr(diff.out.find("; date")),
              "; date_generated:   12/09/2026 10:00:00\n\n\n"
              "\nERROR:  token 0011:Off is set, but we've already found On to be set.\n"
              "----> This does not make sense.  HALTING!\n");

    tool_result get = machine.run({"setting", "get", "Turbo"}, env);
    EXPECT_EQ(get.status, 1);
    EXPECT_EQ(get.out, "error:  setting found, but BIOS did not have precisely 1 setting active.\nfound_set_tokens == 2\n\n");

    // The document stands, and the setting says what is wrong with it.
    tool_result json = machine.run({"setting", "json"}, env);
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(json.out, "{\n  \"platform\": \"K2A07\",\n  \"settings_file\": \"" + settings +
                            "\",\n  \"settings\": [\n    {\n      \"section\": \"Processor\",\n"
                            "      \"subsection\": \"Cores\",\n      \"name\": \"Turbo\",\n      \"value\": null,\n"
                            "      \"default\": \"Off\",\n      \"value_names\": [\n        \"On\",\n        \"Off\"\n"
                            "      ],\n      \"at_default\": false,\n"
                            "      \"problem\": \"2 of its values are set at once\",\n"
                            "      \"set_values\": [\n        \"On\",\n        \"Off\"\n      ]\n    }\n  ]\n}\n");

    const std::string before = machine.cmos_file();
    tool_result check = machine.run({"setting", "check", files.write("user", "Turbo : On\n")}, env);
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out, "Line 1:  Turbo:  PROBLEM:  2 of its values are set at once\n"
                         "\n0 settings would change, 1 problems.\nreadfile would stop at line 1.\n\n");
    EXPECT_EQ(machine.cmos_file(), before);
}

}  // namespace
