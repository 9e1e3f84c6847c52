// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string_view>
#include <vector>

#include "cli/command_line.hpp"
#include "cli/run_context.hpp"

// Hands the command line to the handler of its command word and returns the
// exit status of the run; a word that no handler serves ends with "Invalid
// command".
int dispatch_command(run_context& run, const command_line& line);

// Every command word of the dispatch table, in the order tested.
std::vector<std::string_view> command_words();
