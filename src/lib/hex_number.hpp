// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Reads a number the way every number of the tool is read (command-line
// arguments, token ids of settings files): hexadecimal into a 32-bit signed
// int. Leading white space and a sign are allowed, then an optional 0x or 0X;
// reading stops at the first character that is not a hexadecimal digit; a
// text without digits gives 0; values beyond the int range are clamped to the
// nearest limit. Never fails.
int parse_hex_int(const char* text);

// Whether parse_hex_int reads all of text, with at least one digit: nothing is
// left over after the digits. For numbers that decide what is written, where a
// typing error must be refused rather than read as far as it goes.
bool is_whole_hex_number(const char* text);
