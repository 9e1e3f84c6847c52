// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "hw/token_access.hpp"

// Writes a token's value into its CMOS byte, new = (old AND and_mask) OR
// or_mask, and repairs the bank's checksum by the update method. The checksum
// range is that of the first token in the table with the same index port.
// The change is made through the write session. A tool_error, with nothing
// written, when no token uses the index port, the checksum range is reversed,
// or no update method is set.
void set_d4_token(const token_access& on, int index_port, int location, int and_mask, int or_mask);

// Replaces the bits selected by mask with value, shifted up to the mask's
// lowest set bit; bits of value outside the mask are dropped. A mask of 0 is
// refused with a message and status 1 before anything is read or written.
void set_d4_field(const token_access& on, int index_port, int location, int mask, int value);
