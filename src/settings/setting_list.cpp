// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/setting_list.hpp"

#include "lib/hex_number.hpp"

int stoken_count(const setting_node& setting)
{
    return static_cast<int>(setting.stokens.size());
}

const stoken_node& stoken_at(const setting_node& setting, int i)
{
    return setting.stokens.at(static_cast<std::size_t>(i));
}

const std::vector<int>& settings_database::settings_named(const std::string& name) const
{
    static const std::vector<int> no_settings;
    auto it = index_by_name.find(name);
    return it == index_by_name.end() ? no_settings : it->second;
}

void settings_database::append_setting(const std::string& section, const std::string& subsection,
                                       const std::string& name, const std::string& default_value,
                                       std::vector<stoken_node> stokens)
{
    setting_list.push_back({section, subsection, name, default_value, std::move(stokens)});
    index_by_name[name].push_back(setting_count() - 1);
}

void append_stoken(std::vector<stoken_node>& list, const std::string& token, const std::string& value_name,
                   int is_default)
{
    list.push_back({token, value_name, is_default, parse_hex_int(token.c_str())});
}

void settings_database::clear_settings()
{
    setting_list.clear();
    index_by_name.clear();
    degraded_mode = 0;
}
