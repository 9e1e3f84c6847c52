// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "hw/token_entry.hpp"
#include "lib/tool_error.hpp"
#include "settings/settings_context.hpp"

// The token a change of a setting writes: that of the first value of the
// wanted name, through the settings of that name in file order. Only this
// one token is written; it selects the value, and the others are left alone.
struct write_target {
    enum class refusal {
        none,
        unknown_name,        // no setting of that name
        value_not_offered,   // the settings of that name have no such value
        missing_token,       // the value's token is not on this machine
    };
    refusal why = refusal::none;
    const stoken_node* value = nullptr;   // the value found (none for the first two refusals)
    const token_entry* token = nullptr;   // its token (refusal::none only)
};

write_target find_write_target(const settings_context& context, const std::string& name, const std::string& value);

// The message with which a change is refused (why is not none).
tool_error write_refusal(const std::string& name, const std::string& value, const write_target& target);
