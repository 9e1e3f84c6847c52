// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/setting_state.hpp"

#include <cstdio>

#include "hw/cmos_access.hpp"
#include "hw/token_table.hpp"
#include "hw/token_write.hpp"
#include "lib/tool_error.hpp"
#include "lib/str.hpp"
#include "settings/setting_list.hpp"

namespace {

std::string missing_token_text(const stoken_node& value, const std::string& setting_name)
{
    return format_text("Token %04x (for setting %s) not found on system.\n", static_cast<unsigned>(value.token_id),
                       setting_name.c_str());
}

}  // namespace

const token_entry* value_token(const stoken_node& value)
{
    int i = find_d4_token(value.token_id);
    return i < 0 ? nullptr : &token_table[static_cast<std::size_t>(i)];
}

int token_is_set(const token_entry& token)
{
    return test_d4_token(token.index_port, token.location, token.and_mask, token.or_mask);
}

std::string read_setting_value(const std::string& name, int lenient)
{
    std::string result;
    int found_set_tokens = 0;
    int matching_settings = 0;
    for (int index : settings_named(name)) {
        for (const stoken_node& value : setting_at(index).stokens) {
            const token_entry* token = value_token(value);
            if (token == nullptr) {
                std::fputs(missing_token_text(value, name).c_str(), stdout);
                continue;
            }
            if (token_is_set(*token)) {
                ++found_set_tokens;
                result += value.value_name;
            }
        }
        ++matching_settings;
    }
    if (lenient)
        return result;
    if (matching_settings == 0) {
        throw tool_error{1, format_text("setting not found on system:  %s\n"
                                        "Please check that SETTINGS env variable points to the proper "
                                        "bios_settings file.\n\n",
                                        name.c_str())};
    }
    if (found_set_tokens != 1) {
        throw tool_error{1, format_text("error:  setting found, but BIOS did not have precisely 1 setting active.\n"
                                        "found_set_tokens == %d\n\n",
                                        found_set_tokens)};
    }
    return result;
}

int setting_present(const char* name)
{
    if (name == nullptr)
        return 0;
    return read_setting_value(name, 1).c_str()[0] != '\0' ? 1 : 0;
}

int setting_is_at(const std::string& name, const std::string& value)
{
    return read_setting_value(name, 0) == value ? 1 : 0;
}

void set_setting(const std::string& name, const std::string& value)
{
    int settings_without_value = 0;
    for (int index : settings_named(name)) {
        for (const stoken_node& candidate : setting_at(index).stokens) {
            if (candidate.value_name != value)
                continue;
            const token_entry* token = value_token(candidate);
            if (token == nullptr) {
                throw tool_error{1, missing_token_text(candidate, name) + "Halting.\n\n"};
            }
            set_d4_token(token->index_port, token->location, token->and_mask, token->or_mask);
            return;
        }
        ++settings_without_value;
    }
    const char* const halting = "Halting.  (The job may not have finished.)\n";
    if (settings_without_value != 0)
        throw tool_error{1, format_text("ERROR:  setting %s does not have %s as an option.\n\n%s", name.c_str(),
                                        value.c_str(), halting)};
    throw tool_error{1, format_text("ERROR:  setting not found on system:  %s\n%s", name.c_str(), halting)};
}

std::string strip_comment(const std::string& text)
{
    return *Str_field(text.c_str(), 1, 0, "#", 1);
}
