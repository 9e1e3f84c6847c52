// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
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

// The platform settings database, in file order; names may repeat.
extern std::vector<setting_node> setting_list;
// 1 when the tool runs without a settings file.
extern int degraded_mode;

int setting_count();
const setting_node& setting_at(int i);
int stoken_count(const setting_node& setting);
const stoken_node& stoken_at(const setting_node& setting, int i);

// Indexes into setting_list of every setting of this name, in file order.
const std::vector<int>& settings_named(const std::string& name);

void append_setting(const std::string& section, const std::string& subsection, const std::string& name,
                    const std::string& default_value, std::vector<stoken_node> stokens);
void append_stoken(std::vector<stoken_node>& list, const std::string& token, const std::string& value_name,
                   int is_default);

// Empties the database (and its name index) and leaves degraded mode.
void clear_settings();
