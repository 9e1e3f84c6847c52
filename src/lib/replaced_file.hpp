// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Replaces the file at path with contents, atomically: a reader (a collector
// that reads the directory at any moment) sees the old file or the new one,
// never half of one. The new file is written under a hidden temporary name beside
// it (".NAME.XXXXXX", made by mkstemp), made mode 0644, flushed to the disk
// and renamed over path; a failure on the way removes it and leaves the old
// file as it was. Termination signals wait meanwhile, so that Ctrl-C leaves
// no temporary file behind. The directory must be root's or the invoking
// user's, and nobody else may write it: another user could otherwise plant
// the file or swap it between the write and the reader. Every failure is a
// tool_error (status 1) that names path.
void replace_file(const std::string& path, const std::string& contents);
