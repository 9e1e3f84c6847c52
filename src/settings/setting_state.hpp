// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "lib/tool_error.hpp"
#include "settings/setting_reading.hpp"
#include "settings/settings_context.hpp"

// The value names of every value of the named setting whose token tests as
// set, run together. Strict (lenient == 0): a tool_error unless the
// setting exists and exactly one value is set.
std::string read_setting_value(const settings_context& context, const std::string& name, int lenient);

// 1 when at least one value of the setting tests as set (and has a name).
int setting_present(const settings_context& context, const char* name);

// 1 when the setting's one active value is value; fails like a strict read.
int setting_is_at(const settings_context& context, const std::string& name, const std::string& value);

// Writes the token of the first value of that name of the first setting that
// has it; a tool_error when there is none or its token is missing.
void set_setting(const settings_context& context, const std::string& name, const std::string& value);

// The watch of the reads of get, set, readfile and default: each value whose
// token this machine lacks is told on a line of its own, naming the setting.
reading_watch reporting_missing_tokens(const std::string& name);

// The message of a strict read that does not find exactly one value set.
tool_error strict_read_refusal(const std::string& name, const setting_reading& reading);

// The text before its first '#', untrimmed.
std::string strip_comment(const std::string& text);
