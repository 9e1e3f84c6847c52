#pragma once

#include "cli/command_line.hpp"

// --help (-h) and --version (-V) are answered before the start-up, so that
// they work without root, without physical memory and without a settings
// file. Ends the process when the command word is one of them; returns for
// every other command line.
void answer_early_options(const command_line& line);
