// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Reads the whole file at path, byte for byte, into contents. False, with
// errno telling why, when it cannot be opened or read (a directory included).
bool read_whole_file(const std::string& path, std::string& contents);
