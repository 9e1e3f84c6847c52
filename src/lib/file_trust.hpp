// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <sys/stat.h>

// Whether a file that decides what the tool writes may be trusted: it must
// belong to root or to the user who runs the tool (the real user id, or
// SUDO_UID when root runs it through sudo), and nobody else may write it.
// Otherwise another user of the machine could have planted it (in a shared
// working directory) or could change it. The reason for refusing the file
// described by st, or nullopt when it may be trusted.
std::optional<std::string> distrust_reason(const struct stat& st);
