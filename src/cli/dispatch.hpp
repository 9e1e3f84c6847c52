#pragma once

#include "cli/command_line.hpp"

// Hands the command line to the handler of its command word. Handlers end the
// process themselves; a word that no handler serves ends with "Invalid command".
[[noreturn]] void dispatch_command(const command_line& line);
