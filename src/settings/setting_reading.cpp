// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/setting_reading.hpp"

#include "settings/value_token.hpp"

namespace {

// Adds the values of setting to reading; false when the watch says to stop.
bool read_values(const token_access& tokens, const setting_node& setting, setting_reading& reading,
                 const reading_watch& watch)
{
    for (const stoken_node& value : setting.stokens) {
        const token_entry* token = value_token(tokens.token_table, value);
        token_state state = token == nullptr ? token_state::missing
                            : token_is_set(tokens, *token) ? token_state::set
                                                   : token_state::unset;
        if (state != token_state::missing)
            reading.offered.push_back(&value);
        if (state == token_state::set)
            reading.set.push_back(&value);
        if (watch.each_value)
            watch.each_value(value, state);
        if (watch.stop_at_second_set && reading.set.size() == 2)
            return false;
    }
    ++reading.settings;
    return true;
}

}  // namespace

std::string setting_reading::set_names() const
{
    std::string names;
    for (const stoken_node* value : set)
        names += value->value_name;
    return names;
}

setting_reading read_named_setting(const settings_context& context, const std::string& name,
                                   const reading_watch& watch)
{
    setting_reading reading;
    for (int index : context.settings.settings_named(name)) {
        if (!read_values(context.tokens, context.settings.setting_at(index), reading, watch))
            break;
    }
    return reading;
}

setting_reading read_one_setting(const token_access& tokens, const setting_node& setting, const reading_watch& watch)
{
    setting_reading reading;
    read_values(tokens, setting, reading, watch);
    return reading;
}
