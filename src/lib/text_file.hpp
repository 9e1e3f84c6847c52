// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <fstream>
#include <istream>
#include <string>

// Opens a text file for reading; false when it cannot be opened. A directory
// opens like a file but reads as nothing, so it counts as unopenable.
bool open_text_file(const std::string& path, std::ifstream& in);

// Reads the next line, of any length, without its newline. The tool handles
// lines as C text, so a NUL byte ends the line there.
bool read_text_line(std::istream& in, std::string& line);
