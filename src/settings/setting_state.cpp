// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/setting_state.hpp"

#include <cstdio>

#include "hw/token_write.hpp"
#include "lib/str.hpp"
#include "settings/write_target.hpp"

reading_watch reporting_missing_tokens(const std::string& name)
{
    reading_watch watch;
    // The line is told and the read goes on: a setting may still be read
    // through its other values.
    watch.each_value = [name](const stoken_node& value, token_state state) {
        if (state == token_state::missing)
            std::printf("Token %04x (for setting %s) not found on system.\n", static_cast<unsigned>(value.token_id),
                        name.c_str());
    };
    return watch;
}

tool_error strict_read_refusal(const std::string& name, const setting_reading& reading)
{
    if (reading.settings == 0)
        return {1, format_text("setting not found on system:  %s\n"
                               "Please check that SETTINGS env variable points to the proper bios_settings file.\n\n",
                               name.c_str())};
    return {1, format_text("error:  setting found, but BIOS did not have precisely 1 setting active.\n"
                           "found_set_tokens == %d\n\n",
                           static_cast<int>(reading.set.size()))};
}

std::string read_setting_value(const settings_context& context, const std::string& name, int lenient)
{
    setting_reading reading = read_named_setting(context, name, reporting_missing_tokens(name));
    if (!lenient && (reading.settings == 0 || reading.set.size() != 1))
        throw strict_read_refusal(name, reading);
    return reading.set_names();
}

int setting_present(const settings_context& context, const char* name)
{
    if (name == nullptr)
        return 0;
    return read_setting_value(context, name, 1).c_str()[0] != '\0' ? 1 : 0;
}

int setting_is_at(const settings_context& context, const std::string& name, const std::string& value)
{
    return read_setting_value(context, name, 0) == value ? 1 : 0;
}

void set_setting(const settings_context& context, const std::string& name, const std::string& value)
{
    write_target target = find_write_target(context, name, value);
    if (target.why != write_target::refusal::none)
        throw write_refusal(name, value, target);
    context.tokens.writes.note_request(name, value);
    set_d4_token(context.tokens, target.token->index_port, target.token->location, target.token->and_mask, target.token->or_mask);
}

std::string strip_comment(const std::string& text)
{
    return *Str_field(text.c_str(), 1, 0, "#", 1);
}
