// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "cli/command_line.hpp"

// The numbers of a command that writes CMOS are read strictly: a mistyped one
// (a letter O for a zero, a stray character) would otherwise be read as far as
// it goes and write another place or value. Words first..last must each be a
// whole hexadecimal number; the first that is not ends the run with
// "Error: not a hexadecimal number: WORD" and status 1, before the write lock
// is taken and before anything is written.
void require_hex_numbers(const command_line& line, int first, int last);

// Words after the first `used` ones (the program name counted) end the run
// with "Error: unexpected argument: WORD" and status 1, before the write lock
// is taken and before anything is written.
void require_no_more_words(const command_line& line, int used);
