// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/settings_json.hpp"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "settings/listed_setting.hpp"
#include "settings/setting_list.hpp"
#include "settings/settings_loader.hpp"

namespace {

// Keeps the keys in the order written, so the document reads like the listing.
using json = nlohmann::ordered_json;

json setting_object(const setting_node& setting)
{
    listed_setting listed = read_listed_setting(setting);
    json values = json::array();
    for (const stoken_node* value : listed.values)
        values.push_back(value->value_name);
    return {
        {"section", setting.section},
        {"subsection", setting.subsection},
        {"name", setting.name},
        {"value", listed.current != nullptr ? json(listed.current->value_name) : json(nullptr)},
        {"default", setting.default_value},
        {"value_names", values},
        {"at_default", listed.at_default()},
    };
}

}  // namespace

std::string settings_json_document()
{
    json settings = json::array();
    for (int i = 0; i < setting_count(); ++i)
        settings.push_back(setting_object(setting_at(i)));
    json document = {
        {"platform", settings_platform},
        {"settings_file", loaded_settings_file()},
        {"settings", settings},
    };
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

int setting_json_command(const std::vector<std::string>&)
{
    std::string document = settings_json_document();
    std::fputs(document.c_str(), stdout);
    return 0;
}
