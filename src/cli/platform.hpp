// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "cli/command_line.hpp"
#include "cli/run_context.hpp"

// Settles the run's platform_name and update_method from CMOSCFG_PLATFORM and
// CMOSCFG_UPDATE_METHOD, from the machine's platform record, or from the
// product name that dmidecode reports. Ends the run when neither a known
// model nor a usable update method results.
void identify_platform(run_context& run);

// The known model names in table order, each followed by two spaces.
std::string known_platform_list();

// How to name the platform and update method in the environment, with the
// known models; shared by the engineering help and the autodetection failure.
std::string platform_choice_help(const char* indent);
void print_platform_choice_help(const char* indent);

// platform: prints the platform name.
command_status platform_command(run_context& run, const command_line& line);
