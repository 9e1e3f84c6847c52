// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/setting_list.hpp"

#include <unordered_map>

#include "lib/hex_number.hpp"

std::vector<setting_node> setting_list;
int degraded_mode = 0;

namespace {
// Listings look up every setting by name; the index keeps that linear overall.
std::unordered_map<std::string, std::vector<int>> index_by_name;
const std::vector<int> no_settings;
}

int setting_count()
{
    return static_cast<int>(setting_list.size());
}

const setting_node& setting_at(int i)
{
    return setting_list.at(static_cast<std::size_t>(i));
}

int stoken_count(const setting_node& setting)
{
    return static_cast<int>(setting.stokens.size());
}

const stoken_node& stoken_at(const setting_node& setting, int i)
{
    return setting.stokens.at(static_cast<std::size_t>(i));
}

const std::vector<int>& settings_named(const std::string& name)
{
    auto it = index_by_name.find(name);
    return it == index_by_name.end() ? no_settings : it->second;
}

void append_setting(const std::string& section, const std::string& subsection, const std::string& name,
                    const std::string& default_value, std::vector<stoken_node> stokens)
{
    setting_list.push_back({section, subsection, name, default_value, std::move(stokens)});
    index_by_name[name].push_back(setting_count() - 1);
}

void append_stoken(std::vector<stoken_node>& list, const std::string& token, const std::string& value_name,
                   int is_default)
{
    list.push_back({token, value_name, is_default, parse_hex_int(token.c_str())});
}

void clear_settings()
{
    setting_list.clear();
    index_by_name.clear();
    degraded_mode = 0;
}
