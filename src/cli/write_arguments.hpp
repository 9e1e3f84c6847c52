// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "cli/command_line.hpp"
#include "hw/token_table.hpp"

// The numbers of a command that writes CMOS are read strictly: a mistyped one
// (a letter O for a zero, a stray character) would otherwise be read as far as
// it goes and write another place or value. Words first..last must each be a
// whole hexadecimal number; the first that is not ends the run with
// "Error: not a hexadecimal number: WORD" and status 1, before the write lock
// is taken and before anything is written.
void require_hex_numbers(const command_line& line, int first, int last);

// Only the low byte of a location, mask or value reaches the ports, so 0x141
// would write location 0x41 and a value of 0x105 would write 0x05. Word i,
// a whole hexadecimal number, must lie in 0..0xFF; otherwise the run ends with
// "Error: WHAT out of range (00 to ff): WORD" and status 1, before the write
// lock is taken and before anything is written.
void require_byte_number(const command_line& line, int i, const char* what);

// The index port of a write given by its numbers, word i (a whole hexadecimal
// number). Only 16 bits reach the port, so 0x10070 would write through 0x70:
// the port must lie in 0..0xFFFF; otherwise the run ends with
// "Error: index port out of range (0000 to ffff): WORD" and status 1, before
// the write lock is taken and before anything is written.
void require_port_number(const command_line& line, int i);

// The same, and the port must be one of the machine's CMOS banks: a port that
// is none drives some other device (0x170 is the secondary ATA channel). The
// banks are the fixed ones at 0x70 and 0x72 and the index port of every token.
// Otherwise the run ends with "Error: index port PORT is not a CMOS bank of
// this machine (its banks: ...)" and status 1. (Token writes need no such
// check: they find the port's checksum among the tokens or refuse it.)
void require_cmos_index_port(const d4_token_table& token_table, const command_line& line, int i);

// Words after the first `used` ones (the program name counted) end the run
// with "Error: unexpected argument: WORD" and status 1, before the write lock
// is taken and before anything is written.
void require_no_more_words(const command_line& line, int used);
