#pragma once

#include "cli/command_line.hpp"

// list_tokens: every D4 token with its bank and checksum fields, then the count.
void list_tokens_command(const command_line& line);
