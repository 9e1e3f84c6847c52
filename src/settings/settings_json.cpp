// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/settings_json.hpp"

#include <nlohmann/json.hpp>

#include "settings/setting_reading.hpp"

namespace {

// Keeps the keys in the order written, so the document reads like the listing.
using json = nlohmann::ordered_json;

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

int write_settings_json(const settings_context& context, const text_sink& write)
{
    // The head and the tail as the whole document's dump has them, and each
    // setting written as soon as it is read: a run holds one setting's
    // object, not the document.
    write("{\n  \"platform\": " + nested_json(context.settings.settings_platform, 1) +
          ",\n  \"settings_file\": " + nested_json(context.settings.settings_file_in_use, 1) +
          ",\n  \"settings\": [");
    int problems = 0;
    const char* separator = "\n    ";
    for (const setting_node& setting : context.settings.setting_list) {
        write(separator + nested_json(setting_object(context.tokens, setting, problems), 2));
        separator = ",\n    ";
    }
    write(context.settings.setting_list.empty() ? "]\n}\n" : "\n  ]\n}\n");
    return problems;
}

int setting_json_command(const settings_context& context, const std::vector<std::string>&)
{
    return write_settings_json(context, standard_output_sink()) == 0 ? 0 : 1;
}

nlohmann::ordered_json value_names(const std::vector<const stoken_node*>& values)
{
    nlohmann::ordered_json names = nlohmann::ordered_json::array();
    for (const stoken_node* value : values)
        names.push_back(value->value_name);
    return names;
}
