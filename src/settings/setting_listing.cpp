// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/setting_listing.hpp"

#include <cstdio>

#include "lib/build_info.hpp"
#include "lib/shell_command.hpp"
#include "settings/listed_setting.hpp"
#include "settings/setting_list.hpp"
#include "settings/setting_reading.hpp"

namespace {

// Tracks the section and subsection of the previous setting.
struct head_tracker {
    std::string section;
    std::string subsection;
};

void print_listing_header(const std::string& word)
{
    std::puts("#");
    std::printf("# cmoscfg  |  built: %s %s\n", build_date, build_time);
    std::puts("#");
    if (word == "save") {
        std::puts("# (listing all BIOS settings)");
        std::puts("# generated from:  ./cmoscfg setting save");
    }
    if (word == "save_diffs") {
        std::puts("# (listing only BIOS settings that differ from defaults)");
        std::puts("# generated from:  ./cmoscfg setting save_diffs");
    }
    std::puts("#");
    std::puts("# This output can be captured, edited, then fed directly back in as follows:");
    std::printf("# ./cmoscfg setting %s > filename\n", word.c_str());
    std::puts("# ./cmoscfg setting readfile filename");
    std::puts("#");
    std::puts("");
    std::string date = run_shell_command("date +\"%m/%d/%Y %H:%M:%S\"");
    std::printf("; date_generated:   %s\n", date.c_str());
    std::puts("");
}

void print_listing_heads(const setting_node& setting, head_tracker& previous, bool diff)
{
    bool section_changed = setting.section != previous.section;
    bool subsection_changed = setting.subsection != previous.subsection;
    if (!section_changed && !subsection_changed)
        return;
    if (!diff)
        std::puts("");
    if (section_changed) {
        previous.section = setting.section;
        if (!diff)
            std::printf("## %s\n", previous.section.c_str());
    }
    if (subsection_changed) {
        previous.subsection = setting.subsection;
        if (!diff)
            std::printf("### %s\n", previous.subsection.c_str());
    }
    if (!diff)
        std::puts("");
}

// The difference listings leave out the settings at their default.
bool is_difference_listing(std::string_view word)
{
    return word == "save_diffs" || word.starts_with("diff");
}

void print_listing_line(const token_access& tokens, const setting_node& setting, bool diff)
{
    listed_setting listed = read_listed_setting(tokens, setting);
    if (diff && listed.at_default())
        return;
    std::string options = "# ";
    for (const stoken_node* value : listed.values)
        options += value->value_name + (value->is_default ? "*" : " ") + "  ";
    if (listed.current == nullptr)
        std::printf("#%-28s : %-15s %s\n", setting.name.c_str(), "(not present)", options.c_str());
    else
        std::printf("%-29s : %-15s %s\n", setting.name.c_str(), listed.current->value_name.c_str(), options.c_str());
}

}  // namespace

void print_settings_listing(const settings_context& context, const std::string& word)
{
    bool diff = is_difference_listing(word);
    print_listing_header(word);
    head_tracker previous;
    for (const setting_node& setting : context.settings.setting_list) {
        print_listing_heads(setting, previous, diff);
        print_listing_line(context.tokens, setting, diff);
    }
    std::puts("");
}

void print_visual_table(const settings_context& context)
{
    std::puts("");
    head_tracker previous;
    for (const setting_node& setting : context.settings.setting_list) {
        print_listing_heads(setting, previous, false);
        std::printf("%-29s ", setting.name.c_str());
        // Every value that is set shows in brackets, two of them too: the
        // table shows what CMOS holds, even where it makes no sense.
        reading_watch cells;
        cells.each_value = [](const stoken_node& value, token_state state) {
            if (state == token_state::missing)
                return;
            bool set = state == token_state::set;
            std::string cell = " " + value.value_name + (value.is_default ? "*" : " ") + (set ? "]" : " ");
            std::printf("%s%-15s", set ? "[" : " ", cell.c_str());
        };
        read_one_setting(context.tokens, setting, cells);
        std::puts("");
    }
    std::puts("");
}

void print_setting_names(const settings_database& settings)
{
    for (const setting_node& setting : settings.setting_list)
        std::puts(setting.name.c_str());
}
