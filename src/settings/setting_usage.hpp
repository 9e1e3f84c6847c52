// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "settings/setting_list.hpp"

// A tool_error with an explanation when the tool runs without a settings file.
void require_settings_file(const settings_database& settings);

// The usage text of the setting command.
void print_setting_usage();
