// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Reads the whole file behind the open descriptor fd, from where it stands to
// its end, byte for byte, into contents; the descriptor stays open. False,
// with errno telling why, on a read error.
bool read_whole_descriptor(int fd, std::string& contents);
