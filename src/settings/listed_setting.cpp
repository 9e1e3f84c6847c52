// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/listed_setting.hpp"

#include "lib/tool_error.hpp"
#include "settings/setting_state.hpp"

listed_setting read_listed_setting(const setting_node& setting)
{
    listed_setting listed;
    for (const stoken_node& value : setting.stokens) {
        const token_entry* token = value_token(value);
        if (token == nullptr)
            continue;
        if (token_is_set(*token)) {
            if (listed.current != nullptr) {
                throw tool_error{1, format_text("\nERROR:  token %s:%s is set, but we've already found %s to be set.\n"
                                                "----> This does not make sense.  HALTING!\n",
                                                value.token.c_str(), value.value_name.c_str(),
                                                listed.current->value_name.c_str())};
            }
            listed.current = &value;
        }
        listed.values.push_back(&value);
    }
    return listed;
}
