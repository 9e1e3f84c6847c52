// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

// One value a setting can take, and the D4 token that selects it.
struct stoken_node {
    std::string token;        // the token id as written in the settings file (hexadecimal)
    std::string value_name;
    int is_default = 0;       // 1 when value_name equals the setting's default value
    int token_id = 0;         // token read as a number, once, at load time
};

// One named setting of the platform settings file.
struct setting_node {
    std::string section;      // "##" head in force when the line was read
    std::string subsection;   // "###" head in force when the line was read
    std::string name;
    std::string default_value;
    std::vector<stoken_node> stokens;   // values in line order
};

// Text fields of the settings file are limited to this many bytes.
constexpr std::size_t SETTING_TEXT_MAX = 79;

// The platform settings database: the settings of the file in use, in file
// order (names may repeat), with a lookup by name, and the file they came from.
class settings_database {
public:
    std::vector<setting_node> setting_list;
    // 1 when the tool runs without a settings file.
    int degraded_mode = 0;
    // The server model the settings were chosen for; reports that name the
    // model (the JSON document) show it.
    std::string settings_platform;
    // The path of the settings file that was loaded and its bytes as they
    // were read; both empty in degraded mode and for settings given as text.
    std::string settings_file_in_use;
    std::string settings_file_bytes;

    int setting_count() const { return static_cast<int>(setting_list.size()); }
    const setting_node& setting_at(int i) const { return setting_list.at(static_cast<std::size_t>(i)); }

    // Indexes into setting_list of every setting of this name, in file order.
    const std::vector<int>& settings_named(const std::string& name) const;

    void append_setting(const std::string& section, const std::string& subsection, const std::string& name,
                        const std::string& default_value, std::vector<stoken_node> stokens);

    // Empties the settings (and the name index) and leaves degraded mode.
    void clear_settings();

private:
    // Listings look up every setting by name; the index keeps that linear overall.
    std::unordered_map<std::string, std::vector<int>> index_by_name;
};

int stoken_count(const setting_node& setting);
const stoken_node& stoken_at(const setting_node& setting, int i);

void append_stoken(std::vector<stoken_node>& list, const std::string& token, const std::string& value_name,
                   int is_default);
