// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Reads the whole file at path, byte for byte, into contents. False, with
// errno telling why, when it cannot be opened or read (a directory included,
// and a symbolic link: ELOOP).
bool read_whole_file(const std::string& path, std::string& contents);

// The same, from an open descriptor, read to its end; the descriptor stays open.
bool read_whole_descriptor(int fd, std::string& contents);
