// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>

#include "cli/command_line.hpp"

// --help (-h) and --version (-V) are answered before the start-up, so that
// they work without root, without physical memory and without a settings
// file. Returns the run's exit status when the command word is one of them,
// nothing for every other command line.
std::optional<int> answer_early_options(const command_line& line);
