// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <sys/stat.h>

// Whether a file that decides what the tool writes may be trusted: it must
// belong to root or to the user who runs the tool (the real user id), and
// nobody else may write it. Otherwise another user of the machine could have
// planted it (in a shared working directory) or could change it. Under sudo
// the real user is root, so only root's files are trusted: a sudo rule may
// grant a user one fixed command line, and that user's own settings file in
// the working directory would otherwise choose every token it writes. The
// reason for refusing the file described by st, or nullopt when it may be
// trusted.
std::optional<std::string> distrust_reason(const struct stat& st);

// The same for a symbolic link on the way to such a file (its lstat): one
// that another user planted can point at any of root's files, which the rule
// above would pass. nullopt for a link of root's or of the user, and for
// anything that is no link.
std::optional<std::string> distrust_link_reason(const struct stat& st);
