// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/write_target.hpp"

#include "settings/value_token.hpp"

write_target find_write_target(const settings_context& context, const std::string& name, const std::string& value)
{
    write_target target;
    target.why = write_target::refusal::unknown_name;
    for (int index : context.settings.settings_named(name)) {
        for (const stoken_node& candidate : context.settings.setting_at(index).stokens) {
            if (candidate.value_name != value)
                continue;
            target.value = &candidate;
            target.token = value_token(context.tokens.token_table, candidate);
            target.why = target.token != nullptr ? write_target::refusal::none : write_target::refusal::missing_token;
            return target;
        }
        target.why = write_target::refusal::value_not_offered;
    }
    return target;
}

tool_error write_refusal(const std::string& name, const std::string& value, const write_target& target)
{
    // A change refused in the middle of a file leaves the earlier ones made.
    const char* const halting = "Halting.  (The job may not have finished.)\n";
    switch (target.why) {
    case write_target::refusal::missing_token:
        return {1, format_text("Token %04x (for setting %s) not found on system.\nHalting.\n\n",
                               static_cast<unsigned>(target.value->token_id), name.c_str())};
    case write_target::refusal::value_not_offered:
        return {1, format_text("ERROR:  setting %s does not have %s as an option.\n\n%s", name.c_str(), value.c_str(),
                               halting)};
    case write_target::refusal::unknown_name:
    case write_target::refusal::none:
        break;
    }
    return {1, format_text("ERROR:  setting not found on system:  %s\n%s", name.c_str(), halting)};
}
