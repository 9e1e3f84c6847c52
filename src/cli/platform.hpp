// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "cli/command_line.hpp"

// The server model, upper case, settled once at start-up: from the
// environment, or detected from the product name. Names the settings file.
extern std::string platform_name;

// Settles platform_name and update_method from CMOSCFG_PLATFORM and
// CMOSCFG_UPDATE_METHOD, or from the product name that dmidecode reports.
// Ends the run when neither a known model nor a usable update method results.
void identify_platform();

// The known model names in table order, each followed by two spaces.
std::string known_platform_list();

// How to name the platform and update method in the environment, with the
// known models; shared by the engineering help and the autodetection failure.
std::string platform_choice_help(const char* indent);
void print_platform_choice_help(const char* indent);

// platform: prints platform_name.
command_status platform_command(const command_line& line);
