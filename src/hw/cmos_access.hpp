// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "hw/machine.hpp"
#include "lib/debug_trace.hpp"

// Byte access to CMOS banks and the type-0 checksum. A bank is addressed by
// its index port P (used as 16 bits); its data port is always P + 1, whatever
// a D4 structure says. Locations and values are used modulo 0x100, since only
// one byte reaches the ports. Bytes read come back as 0..255.

int read_cmos(machine& m, int index_port, int location);
void write_cmos(machine& m, int index_port, int location, int value);

// The byte AND mask; the whole byte when mask is 0. Not shifted.
int read_cmos_masked(machine& m, int index_port, int location, int mask);

// The bits selected by mask, shifted down so that the mask's lowest set bit
// lands at bit 0 (mask 0xF0 on 0x3A gives 3). A mask of 0 selects no field:
// it is refused with a message and status 1.
int read_cmos_shifted(machine& m, int index_port, int location, int mask);

// 1 when the token's own bits (the 0 bits of and_mask) hold exactly or_mask.
// With debug tracing, prints the labelled block of the values compared.
int test_d4_token(machine& m, const tracer& trace, int index_port, int location, int and_mask, int or_mask);

// The plain byte sum of loc_start..loc_end inclusive (compared unsigned). A
// tool_error (status 1), before reading anything, on a reversed range
// (tested first) or a type other than 0.
int calc_checksum(machine& m, int type, int index_port, int loc_start, int loc_end);

// The refusals of calc_checksum alone, for a write whose sum is not used.
void require_summable_range(int type, int loc_start, int loc_end);

// A tool_error (status 1) when mask selects no bits; used by every
// operation that places a value at a mask's lowest set bit.
void require_nonzero_mask(int mask);
