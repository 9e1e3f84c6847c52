// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>

// Text addressed by positions between characters. A string of length len has
// the positions 1 (before the first character) to len + 1 (after the last);
// the same positions are also named from the end by 0 (the end), -1 (before
// the last character) down to -len. A range is two positions in either order;
// a position beyond the end means the end. Every result is a new string and
// the arguments are never changed.
//
// Preconditions are checked in every build (optimised ones included) and end
// the process with the C library's assertion message: the string arguments
// must not be NULL, and the smaller position of a range must lie inside the
// string ("i >= 0 && j <= len").
//
// Searches return the position just before the match, or 0 for no match.
// Characters are compared as signed char with the int c, like the C library's
// char type on x86: a c of 0x80 or above never matches, use its negative value.

// The characters of the range (i, j) of s.
std::string Str_sub(const char* s, int i, int j);
// The range (i1, j1) of s1 followed by the range (i2, j2) of s2.
std::string Str_cat(const char* s1, int i1, int j1, const char* s2, int i2, int j2);
// The number of characters in the range (i, j) of s.
int Str_len(const char* s, int i, int j);
// The leftmost occurrence of str lying wholly inside the range (i, j) of s.
// An empty str is found at the start of the range.
int Str_find(const char* s, int i, int j, const char* str);
// The leftmost character c inside the range (i, j) of s.
int Str_findchar(const char* s, int i, int j, int c);
// How many characters inside the range (i, j) of s equal c.
int Str_countchar(const char* s, int i, int j, int c);
// Field n (counted from 1) of s split at sep, which must not be empty. The
// searches cover the range (i, j); the last field runs to the very end of s.
// A string with k separators has k + 1 fields, empty ones included; any other
// n gives nullopt.
std::optional<std::string> Str_field(const char* s, int i, int j, const char* sep, int n);
// A copy of s; NULL gives the empty string.
std::string Str_copy(const char* s);
