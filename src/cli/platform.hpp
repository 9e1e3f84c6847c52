#pragma once

#include <string>

#include "cli/command_line.hpp"

// Settles platform_name and update_method from CMOSCFG_PLATFORM and
// CMOSCFG_UPDATE_METHOD, or from the product name that dmidecode reports.
// Ends the run when neither a known model nor a usable update method results.
void identify_platform();

// 1 when name contains one of the known model names (case-sensitive, so pass
// upper-case text), else 0. Sets update_method to the default of the first
// model found, or to UPDATE_METHOD_DIRECT when there is none.
int is_known_platform(const std::string& name);

// The known model whose name (for K2D07 its tail "2D07") occurs first in the
// table order in product_name, or "UNKNOWN".
std::string platform_from_product_name(const std::string& product_name);

// The known model names in table order, each followed by two spaces.
std::string known_platform_list();

// How to name the platform and update method in the environment, with the
// known models; shared by the engineering help and the autodetection failure.
void print_platform_choice_help(const char* indent);

// platform: prints platform_name.
void platform_command(const command_line& line);
