// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/setting_command.hpp"

#include <array>
#include <cstdio>
#include <string_view>

#include "lib/unexpected_argument.hpp"
#include "settings/bulk_apply.hpp"
#include "settings/setting_listing.hpp"
#include "settings/setting_metrics.hpp"
#include "settings/settings_apply.hpp"
#include "settings/settings_check.hpp"
#include "settings/settings_json.hpp"
#include "settings/setting_state.hpp"
#include "settings/setting_status.hpp"
#include "settings/setting_usage.hpp"

namespace {

// Returns the exit status of the run.
using sub_command = int (*)(const settings_context& context, const std::vector<std::string>& words);

// The n-th word (from 1) after the sub-command word; nullptr when there is none.
const char* argument(const std::vector<std::string>& words, std::size_t n)
{
    return words.size() > 2 + n ? words[2 + n].c_str() : nullptr;
}

int refuse_absent_setting(const char* name)
{
    std::printf("Setting is not present on system:  %s\n", name != nullptr ? name : "(null)");
    std::puts("Halting.\n");
    return 1;
}

int get_command(const settings_context& context, const std::vector<std::string>& words)
{
    const char* name = argument(words, 1);
    if (!setting_present(context, name))
        return refuse_absent_setting(name);
    std::puts(read_setting_value(context, name, 0).c_str());
    return 0;
}

int set_command(const settings_context& context, const std::vector<std::string>& words)
{
    const char* name = argument(words, 1);
    const char* value = argument(words, 2);
    if (name == nullptr || value == nullptr) {
        std::puts("Must provide setting_name and value to set.\n");
        return 1;
    }
    // A name or value holding blanks is one word of the shell's; a word
    // after the value is a mistake, never part of it.
    refuse_words_after(words, 5);
    if (!setting_present(context, name))
        return refuse_absent_setting(name);
    set_setting(context, name, value);
    return 0;
}

int listing_command(const settings_context& context, const std::vector<std::string>& words)
{
    print_settings_listing(context, words[2]);
    return 0;
}

int visual_command(const settings_context& context, const std::vector<std::string>&)
{
    print_visual_table(context);
    return 0;
}

int list_command(const settings_context& context, const std::vector<std::string>&)
{
    print_setting_names(context.settings);
    return 0;
}

int default_command(const settings_context& context, const std::vector<std::string>& words)
{
    // It resets every setting: a setting's name after it must not read as
    // "reset only this one".
    refuse_words_after(words, 3);
    set_each_default(context);
    return 0;
}

int readfile_command(const settings_context& context, const std::vector<std::string>& words)
{
    const char* file_name = argument(words, 1);
    if (file_name == nullptr) {
        print_setting_usage();
        std::puts("ERROR:  you must provide the filename to read settings from.\n");
        return 1;
    }
    // A second file name would be dropped while the first is applied.
    refuse_words_after(words, 4);
    read_user_settings(context, file_name);
    return 0;
}

struct sub_command_row {
    std::array<std::string_view, 3> words;  // accepted as they are (empty: unused)
    std::string_view prefix;                // any word that begins with it (empty: none)
    sub_command action;

    bool accepts(std::string_view word) const
    {
        for (std::string_view w : words) {
            if (!w.empty() && word == w)
                return true;
        }
        return !prefix.empty() && word.starts_with(prefix);
    }
};

// Tested in order; the first row that accepts the word runs.
const sub_command_row sub_commands[] = {
    {{"visual"}, {}, visual_command},
    {{"list"}, {}, list_command},
    {{"show", "save", "save_diffs"}, "diff", listing_command},
    {{"get"}, {}, get_command},
    {{"set"}, {}, set_command},
    {{"set_each_default"}, "default", default_command},
    {{}, "read", readfile_command},
    {{"json"}, {}, setting_json_command},
    {{"check"}, {}, setting_check_command},
    {{"apply"}, {}, setting_apply_command},
    {{"status"}, {}, setting_status_command},
    {{"verify"}, {}, setting_verify_command},
    {{"metrics"}, {}, setting_metrics_command},
};

}  // namespace

int setting_command(const settings_context& context, const std::vector<std::string>& words)
{
    require_settings_file(context.settings);
    if (words.size() < 3) {
        print_setting_usage();
        return 0;
    }
    const std::string& word = words[2];
    for (const sub_command_row& row : sub_commands) {
        if (row.accepts(word))
            return row.action(context, words);
    }
    print_setting_usage();
    std::printf("ERROR:  command not recognized:  %s\n\n", word.c_str());
    return 1;
}

std::vector<std::string_view> setting_sub_words()
{
    std::vector<std::string_view> words;
    for (const sub_command_row& row : sub_commands) {
        for (std::string_view w : row.words) {
            if (!w.empty())
                words.push_back(w);
        }
        if (!row.prefix.empty())
            words.push_back(row.prefix);
    }
    return words;
}
