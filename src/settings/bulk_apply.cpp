// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/bulk_apply.hpp"

#include <cstdio>

#include "lib/tool_error.hpp"
#include "lib/text_file.hpp"
#include "settings/setting_list.hpp"
#include "settings/setting_state.hpp"
#include "settings/user_settings_reader.hpp"

namespace {

// One request line: set name to value, unless it is absent or already there.
// Returns 1 when the setting was changed.
int apply_request(const std::string& name, const std::string& value)
{
    std::printf("  requested setting:  %-29s  to state  %-19s", name.c_str(), value.c_str());
    if (!setting_present(name.c_str())) {
        std::puts("     (skipping--setting not present on system)");
        return 0;
    }
    if (setting_is_at(name, value)) {
        std::puts("     (skipping--already set)");
        return 0;
    }
    std::puts("     (adjusting)");
    set_setting(name, value);
    return 1;
}

}  // namespace

void read_user_settings(const std::string& file_name)
{
    std::ifstream in;
    if (!open_text_file(file_name, in)) {
        throw tool_error{1, format_text("Error:  cannot open user bios settings file for reading:  %s\n\n",
                                        file_name.c_str())};
    }

    int changed = 0;
    user_settings_line line;
    while (read_user_settings_line(in, line)) {
        if (line.what == user_settings_line::kind::skipped)
            continue;
        if (line.what == user_settings_line::kind::malformed) {
            throw tool_error{1, format_text("Invalid/malformed setting found on line %d:\n%s\n\n", line.number,
                                            line.text.c_str())};
        }
        changed += apply_request(line.name, line.value);
    }
    if (in.bad()) {
        throw tool_error{1, format_text("Error:  cannot read user bios settings file:  %s\n\n", file_name.c_str())};
    }
    std::printf("\n%d settings changed.\n\n", changed);
}

void set_each_default()
{
    int changed = 0;
    for (int i = 0; i < setting_count(); ++i) {
        const setting_node& setting = setting_at(i);
        if (!setting_present(setting.name.c_str())) {
            std::printf("(Setting not present:  %s)\n", setting.name.c_str());
            continue;
        }
        for (const stoken_node& value : setting.stokens) {
            if (!value.is_default || setting_is_at(setting.name, value.value_name))
                continue;
            std::printf("setting %-29s to %s\n", setting.name.c_str(), value.value_name.c_str());
            set_setting(setting.name, value.value_name);
            ++changed;
            break;
        }
    }
    if (changed != 0)
        std::printf("\n%d settings changed.\n\n", changed);
    else
        std::puts("\nNo changes needed (all settings at default).\n");
}
