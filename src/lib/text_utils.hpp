// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Removes white space from both ends of s, in place. Leading white space is
// anything isspace accepts; at the end only spaces, tabs and newlines go, so a
// line read from a CRLF file keeps its carriage return. A string of nothing
// but white space becomes empty.
void trim_string(std::string& s);

// Fold the case of every ASCII letter, in place; other bytes stay as they are.
void lowercase_string(std::string& s);
void uppercase_string(std::string& s);
