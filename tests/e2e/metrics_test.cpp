// SPDX-License-Identifier: GPL-2.0-or-later
// `setting metrics`: status and verify as Prometheus text on the demo image,
// drift from a baseline, a baseline refused, label values escaped and the
// output file replaced atomically.
#include <algorithm>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <sys/stat.h>

#include "lib/sha256.hpp"
#include "support/demo_machine.hpp"

namespace {

// The standard method keeps a checksum per bank, which the metrics tell.
class Metrics : public testing::Test {
protected:
    tool_result run(const std::vector<std::string>& words, const std::string& settings = {}, bool traced = false) const
    {
        tool_invocation invocation;
        invocation.arguments = words;
        invocation.env = demo_standard_method;
        invocation.env["CMOSCFG_SETTINGS"] = settings.empty() ? machine.settings_path() : settings;
        if (traced)
            invocation.env["DEBUG"] = "1";
        invocation.standard_error_expected = traced;
        return machine.run(invocation);
    }

    // A reboot: a new boot id, and the boot unit's record of it.
    void reboot(const std::string& boot_id) const
    {
        std::ofstream(machine.image_path() + "/boot_id") << boot_id << "\n";
        ASSERT_EQ(run({"boot-record", "--at-boot"}).status, 0);
    }

    // The lines of one family's samples.
    static std::string samples_of(const std::string& text, const std::string& name)
    {
        std::string lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            if (line.starts_with(name + "{") || line.starts_with(name + " "))
                lines += line + "\n";
        }
        return lines;
    }

    std::vector<std::string> files_in(const std::string& directory) const
    {
        std::vector<std::string> names;
        DIR* dir = ::opendir(directory.c_str());
        while (const dirent* entry = dir != nullptr ? ::readdir(dir) : nullptr) {
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                names.push_back(entry->d_name);
        }
        if (dir != nullptr)
            ::closedir(dir);
        std::sort(names.begin(), names.end());
        return names;
    }

    demo_machine machine;
    temp_dir scratch;
};

// The times the run cannot fix: each a number of this run's seconds.
std::string with_times_replaced(const std::string& text)
{
    static const std::regex times(
        R"(^(cmoscfg_(boot_record_age_seconds|last_apply_timestamp_seconds|metrics_timestamp_seconds)) -?[0-9]+$)",
        std::regex::multiline);
    return std::regex_replace(text, times, "$1 TIME");
}

std::string replaced(std::string text, const std::string& marker, const std::string& value)
{
    for (std::size_t at = 0; (at = text.find(marker, at)) != std::string::npos; at += value.size())
        text.replace(at, marker.size(), value);
    return text;
}

TEST_F(Metrics, TellTheWholeStateOfTheDemoImage)
{
    // Turbo Mode changed and booted; C-States applied and waiting for the
    // next boot.
    reboot("boot-1");
    ASSERT_EQ(run({"setting", "set", "Turbo Mode", "Disabled"}).status, 0);
    reboot("boot-2");
    const std::string requests = scratch.write("requests", "C-States : Disabled\n");
    ASSERT_EQ(run({"setting", "apply", requests}).status, 0);

    const long long before = std::time(nullptr);
    tool_result metrics = run({"setting", "metrics"});
    const long long after = std::time(nullptr);
    EXPECT_EQ(metrics.status, 0);
    const std::string settings = read_file(machine.settings_path());
    std::string expected = expected_output("setting_metrics.prom");
    expected = replaced(expected, "@SETTINGS@", machine.settings_path());
    expected = replaced(expected, "@SHA256@", sha256_hex(settings));
    expected = replaced(expected, "@VERSION@", CMOSCFG_VERSION);
    EXPECT_EQ(with_times_replaced(metrics.out), expected);

    const std::string stamp = samples_of(metrics.out, "cmoscfg_metrics_timestamp_seconds");
    const long long made = std::stoll(stamp.substr(stamp.find(' ')));
    EXPECT_TRUE(made >= before && made <= after) << stamp;
    const std::string age = samples_of(metrics.out, "cmoscfg_boot_record_age_seconds");
    EXPECT_LT(std::stoll(age.substr(age.find(' '))), 60) << age;

    // The traces go to standard error, as beside a JSON document.
    tool_result traced = run({"setting", "metrics"}, {}, true);
    EXPECT_EQ(with_times_replaced(traced.out), expected);
    EXPECT_NE(traced.err.find("# "), std::string::npos) << traced.err;
}

TEST_F(Metrics, TellDriftFromABaselineAndRefuseABaselineThatDoesNotFit)
{
    const std::string baseline =
        scratch.write("baseline", "# the fleet's settings\nTurbo Mode : Enabled\nC-States : Disabled\n"
                                  "Turbo Mode : Enabled  # named twice, alike\n");
    tool_result metrics = run({"setting", "metrics", "--baseline", baseline});
    EXPECT_EQ(metrics.status, 0);
    EXPECT_EQ(samples_of(metrics.out, "cmoscfg_setting_drift"),
              "cmoscfg_setting_drift{setting=\"Turbo Mode\"} 0\n"
              "cmoscfg_setting_drift{setting=\"C-States\"} 1\n");
    EXPECT_EQ(samples_of(metrics.out, "cmoscfg_settings_drifting"), "cmoscfg_settings_drifting 1\n");

    const std::string output = scratch.file("cmoscfg.prom");
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"Turbo Mode : Enabled\nTurbo Boost : On\n", "line 2: this machine has no setting Turbo Boost"},
        {"C-States : Sometimes\n", "line 1: setting C-States offers no value Sometimes here"},
        {"TPM Security : Off\n", "line 1: this machine has no setting TPM Security"},
        {"Turbo Mode Enabled\n", "line 1: not a setting line (NAME : VALUE): Turbo Mode Enabled"},
        {"Turbo Mode : Enabled\nTurbo Mode : Disabled\n",
         "line 2: Turbo Mode is named again with another value than on line 1"},
    };
    for (const auto& [text, why] : refused) {
        const std::string bad = scratch.write("bad", text);
        tool_result result = run({"setting", "metrics", "--baseline", bad, "--output", output});
        EXPECT_EQ(result.status, 1) << text;
        EXPECT_EQ(result.out, "Error: baseline " + bad + ", " + why + "\n");
        EXPECT_EQ(files_in(scratch.path()), (std::vector<std::string>{"bad", "baseline"})) << text;
    }
}

TEST_F(Metrics, EscapeLabelValues)
{
    // A name with quotes and a backslash, in a file whose path holds a newline.
    std::string text = read_file(machine.settings_path());
    text = replaced(text, "Turbo Mode,", R"(Turbo "Mode" \ 2,)");
    const std::string settings = scratch.write("bios \"new\"\nline\\.k2a07", text);
    tool_result metrics = run({"setting", "metrics"}, settings);
    EXPECT_EQ(metrics.status, 0);
    EXPECT_NE(metrics.out.find("\ncmoscfg_setting_info{setting=\"Turbo \\\"Mode\\\" \\\\ 2\",next_boot=\"Enabled\","
                               "booted=\"\",at_default=\"true\"} 1\n"),
              std::string::npos)
        << metrics.out;
    EXPECT_EQ(samples_of(metrics.out, "cmoscfg_settings_file_info"),
              "cmoscfg_settings_file_info{path=\"" + scratch.path() + "/bios \\\"new\\\"\\nline\\\\.k2a07\",sha256=\"" +
                  sha256_hex(text) + "\"} 1\n");
}

TEST_F(Metrics, ReplaceTheOutputFileWholeOrNotAtAll)
{
    const std::string directory = scratch.path() + "/textfile";
    ASSERT_EQ(::mkdir(directory.c_str(), 0755), 0);
    const std::string output = directory + "/cmoscfg.prom";
    std::ofstream(output) << "old\n";

    tool_result written = run({"setting", "metrics", "--output", output});
    EXPECT_EQ(written.status, 0);
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(with_times_replaced(read_file(output)), with_times_replaced(run({"setting", "metrics"}).out));
    struct stat st {};
    ASSERT_EQ(::stat(output.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_EQ(files_in(directory), std::vector<std::string>{"cmoscfg.prom"});

    // A directory in the file's place: the rename fails, and the temporary file goes.
    const std::string in_the_way = directory + "/taken.prom";
    ASSERT_EQ(::mkdir(in_the_way.c_str(), 0755), 0);
    tool_result blocked = run({"setting", "metrics", "--output", in_the_way});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_EQ(blocked.out, "Error: cannot write " + in_the_way + ": rename: Is a directory\n");
    EXPECT_EQ(files_in(directory), (std::vector<std::string>{"cmoscfg.prom", "taken.prom"}));

    // A directory that others may write: another user could swap the file.
    std::ofstream(output) << "old\n";
    ASSERT_EQ(::chmod(directory.c_str(), 0777), 0);
    tool_result refused = run({"setting", "metrics", "--output", output});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "Error: refusing to write " + output + ": its directory " + directory +
                               ": group or others may write it\n");
    EXPECT_EQ(read_file(output), "old\n");
}

}  // namespace
