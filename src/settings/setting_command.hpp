// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_context.hpp"

// The setting command family. words: the command line as given (program
// name, "setting" or "settings", the sub-command word and its arguments).
// Returns the exit status of the run.
int setting_command(const settings_context& context, const std::vector<std::string>& words);

// The sub-command words the family accepts: the exact words, and the prefixes
// that accept every word beginning with them (for the manual's drift check).
std::vector<std::string_view> setting_sub_words();
