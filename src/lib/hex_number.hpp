#pragma once

// Reads a number the way every number of the tool is read (command-line
// arguments, token ids of settings files): hexadecimal into a 32-bit signed
// int. Leading white space and a sign are allowed, then an optional 0x or 0X;
// reading stops at the first character that is not a hexadecimal digit; a
// text without digits gives 0; values beyond the int range are clamped to the
// nearest limit. Never fails.
int parse_hex_int(const char* text);
