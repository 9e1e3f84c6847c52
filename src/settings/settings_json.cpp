// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/settings_json.hpp"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "settings/setting_reading.hpp"

namespace {

// Keeps the keys in the order written, so the document reads like the listing.
using json = nlohmann::ordered_json;

json value_names(const std::vector<const stoken_node*>& values)
{
    json names = json::array();
    for (const stoken_node* value : values)
        names.push_back(value->value_name);
    return names;
}

// One setting as the listing reads it. Several values set at once cannot be
// shown as one value: the setting has a null value and says why, and the
// rest of the document stands.
json setting_object(const token_access& tokens, const setting_node& setting, int& problems)
{
    setting_reading reading = read_one_setting(tokens, setting);
    const stoken_node* current = reading.current();
    json object = {
        {"section", setting.section},
        {"subsection", setting.subsection},
        {"name", setting.name},
        {"value", current != nullptr ? json(current->value_name) : json(nullptr)},
        {"default", setting.default_value},
        {"value_names", value_names(reading.offered)},
        {"at_default", current != nullptr && current->is_default},
    };
    if (reading.set.size() > 1) {
        ++problems;
        object["problem"] = std::to_string(reading.set.size()) + " of its values are set at once";
        object["set_values"] = value_names(reading.set);
    }
    return object;
}

}  // namespace

std::string settings_json_document(const settings_context& context, int& problems)
{
    problems = 0;
    json settings = json::array();
    for (const setting_node& setting : context.settings.setting_list)
        settings.push_back(setting_object(context.tokens, setting, problems));
    json document = {
        {"platform", context.settings.settings_platform},
        {"settings_file", context.settings.settings_file_in_use},
        {"settings", settings},
    };
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

int setting_json_command(const settings_context& context, const std::vector<std::string>&)
{
    int problems = 0;
    std::string document = settings_json_document(context, problems);
    std::fputs(document.c_str(), stdout);
    return problems == 0 ? 0 : 1;
}
