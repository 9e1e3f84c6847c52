// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <memory>
#include <string>
#include <sys/types.h>

#include "hw/machine.hpp"

// The lock file: name, in the directory of the descriptor directory (AT_FDCWD:
// the working directory); path names it in messages.
struct lock_file_place {
    int directory;
    std::string name;
    std::string path;
};

struct lock_file_rules {
    mode_t create_mode;  // permissions of the file when the lock creates it
    // The file lives in a directory that others may write to (/run/lock): it
    // must be a regular file of this user, reached without a symbolic link, so
    // that nobody can plant a link or a file there for root to use.
    bool private_file;
};

// Takes an exclusive flock(2) lock on the file at path, created when missing,
// waiting while another process holds it (and saying so once on standard
// error when that is a terminal and the wait passes a second). A descriptor
// of that file inherited from the caller whose open file description holds
// the exclusive lock already (an administrator's flock(1) around several runs
// of the tool) is shared instead of waited for, so such a caller cannot
// deadlock its own children; inherited descriptors are never locked, so a
// run cannot leave a lock behind on a descriptor that did not hold it. Runs
// that share a caller's lock take turns among themselves through an open file
// description lock (fcntl(2) F_OFD_SETLKW) on a descriptor of their own. The
// hand-off is found through /proc: without it, a held lock of which this run
// inherited a descriptor is an error rather than a wait that may never end.
// Never opens the file through a symbolic link, and locks only a regular file.
// A tool_error when the file cannot be opened or locked.
std::unique_ptr<cmos_write_lock> lock_file_exclusively(const lock_file_place& file, const lock_file_rules& rules);
