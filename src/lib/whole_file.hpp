// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Reads the whole file behind the open descriptor fd, from where it stands to
// its end, byte for byte, into contents; the descriptor stays open. False,
// with errno telling why, on a read error.
bool read_whole_descriptor(int fd, std::string& contents);

// Writes all of bytes to fd, going on after a short write or a signal. False,
// with errno telling why, when a write fails.
bool write_whole_descriptor(int fd, const std::string& bytes);
