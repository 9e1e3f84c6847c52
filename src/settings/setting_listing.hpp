// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "settings/settings_context.hpp"

// The settings listing in the user settings file format, headed by a comment
// block and the date. word is the sub-command as typed ("show", "save",
// "save_diffs", "diff..."); the difference listings leave out settings at
// their default, and all heads.
void print_settings_listing(const settings_context& context, const std::string& word);

// Every setting on one line with its values side by side, the active one in
// brackets and the default marked with '*'.
void print_visual_table(const settings_context& context);

// The name of every setting, one per line.
void print_setting_names(const settings_database& settings);
