#pragma once

#include "cli/command_line.hpp"

// Hands the command line to the handler of its command word and returns the
// exit status of the run; a word that no handler serves ends with "Invalid
// command".
int dispatch_command(const command_line& line);
