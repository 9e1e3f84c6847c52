// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/listed_setting.hpp"

#include "lib/tool_error.hpp"
#include "settings/setting_reading.hpp"

listed_setting read_listed_setting(const token_access& tokens, const setting_node& setting)
{
    reading_watch watch;
    watch.stop_at_second_set = true;
    setting_reading reading = read_one_setting(tokens, setting, watch);
    if (reading.set.size() > 1) {
        const stoken_node& found = *reading.set[0];
        const stoken_node& second = *reading.set[1];
        throw tool_error{1, format_text("\nERROR:  token %s:%s is set, but we've already found %s to be set.\n"
                                        "----> This does not make sense.  HALTING!\n",
                                        second.token.c_str(), second.value_name.c_str(), found.value_name.c_str())};
    }
    listed_setting listed;
    listed.values = std::move(reading.offered);
    listed.current = reading.current();
    return listed;
}
