// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/user_settings_reader.hpp"

#include "lib/str.hpp"
#include "lib/text_file.hpp"
#include "lib/text_utils.hpp"
#include "settings/setting_state.hpp"

bool read_user_settings_line(std::istream& in, user_settings_line& line)
{
    std::string text;
    if (!read_text_line(in, text))
        return false;
    ++line.number;
    line.name.clear();
    line.value.clear();
    trim_string(text);
    if (text.empty() || text[0] == '#' || text[0] == ';') {
        line.what = user_settings_line::kind::skipped;
        line.text.clear();
        return true;
    }
    line.text = strip_comment(text);
    if (Str_countchar(line.text.c_str(), 1, 0, ':') != 1) {
        line.what = user_settings_line::kind::malformed;
        return true;
    }
    line.what = user_settings_line::kind::request;
    line.name = *Str_field(line.text.c_str(), 1, 0, ":", 1);
    line.value = *Str_field(line.text.c_str(), 1, 0, ":", 2);
    trim_string(line.name);
    trim_string(line.value);
    return true;
}
