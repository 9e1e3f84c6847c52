// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// The banner and usage text shown when no command word is given.
void print_usage(const std::string& program_name);

// The engineering help: raw diagnostic commands and every environment variable.
void print_enghelp();
