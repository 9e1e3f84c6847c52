// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

// What became of opening a file of a held directory.
enum class open_outcome { opened, missing, link, not_regular, failed };

struct opened_file {
    open_outcome outcome = open_outcome::missing;
    int fd = -1;     // when opened: the caller's to close
    int error = 0;   // errno, when failed
    struct stat st {};  // when opened: the file as its descriptor sees it
};

// A directory opened once, whose files are then reached by name from its
// descriptor (openat). A user who owns the directory's parent can swap the
// directory for a symbolic link between two opens by path; the descriptor
// keeps pointing at the directory that was opened. The directory itself is
// not opened through a symbolic link either.
class held_directory {
public:
    // Opening fails quietly: every file of the directory then fails to open
    // with the same error (see open_regular), so a missing directory reads as
    // a directory of missing files and the caller says which file it wanted.
    explicit held_directory(std::string path);
    ~held_directory();
    held_directory(const held_directory&) = delete;
    held_directory& operator=(const held_directory&) = delete;

    const std::string& path() const { return path_; }
    // The directory's descriptor, -1 when it could not be opened.
    int fd() const { return fd_; }
    // The path of one of its files, for messages.
    std::string path_of(const std::string& name) const;
    // The directory itself is a symbolic link.
    bool is_link() const { return error_ == ELOOP; }

    // Opens the file name of the directory with flags (O_CREAT among them
    // makes it when missing, with mode). Only a regular file is opened: a
    // device node, a FIFO or a socket is never opened at all, so neither a
    // read that never ends nor the side effects of opening a device can
    // happen. Never follows a symbolic link.
    opened_file open_regular(const std::string& name, int flags, mode_t mode = 0) const;

private:
    std::string path_;
    int fd_ = -1;
    int error_ = 0;
};
