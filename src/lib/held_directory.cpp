// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/held_directory.hpp"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// "img/" would follow a link named img: the slash asks for what it points to.
std::string without_trailing_slashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

opened_file failure(open_outcome outcome, int error = 0)
{
    opened_file file;
    file.outcome = outcome;
    file.error = error;
    return file;
}

open_outcome outcome_of_kind(mode_t mode)
{
    if (S_ISLNK(mode))
        return open_outcome::link;
    if (S_ISDIR(mode))
        return open_outcome::failed;  // EISDIR, as a read of it would say
    return S_ISREG(mode) ? open_outcome::opened : open_outcome::not_regular;
}

}  // namespace

held_directory::held_directory(std::string path) : path_(std::move(path))
{
    std::string opened = without_trailing_slashes(path_);
    fd_ = ::open(opened.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ >= 0)
        return;
    error_ = errno;
    // With O_PATH, O_NOFOLLOW opens a link as itself, which is no directory.
    struct stat st {};
    if (error_ == ENOTDIR && ::lstat(opened.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        error_ = ELOOP;
}

held_directory::~held_directory()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::string held_directory::path_of(const std::string& name) const
{
    if (!path_.empty() && path_.back() == '/')
        return path_ + name;
    return path_ + "/" + name;
}

opened_file held_directory::open_regular(const std::string& name, int flags, mode_t mode) const
{
    if (fd_ < 0)
        return failure(error_ == ENOENT ? open_outcome::missing : open_outcome::failed, error_);
    // Looked at before it is opened: opening a device can act on it (a tape
    // rewinds) and opening a FIFO waits for a writer.
    struct stat before {};
    bool exists = ::fstatat(fd_, name.c_str(), &before, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT)
        return failure(open_outcome::failed, errno);
    if (!exists && (flags & O_CREAT) == 0)
        return failure(open_outcome::missing, ENOENT);
    if (exists && outcome_of_kind(before.st_mode) != open_outcome::opened)
        return failure(outcome_of_kind(before.st_mode), EISDIR);

    // Swapped between the look and the open: O_NOFOLLOW catches a link,
    // O_NONBLOCK keeps a FIFO from holding the run, and the descriptor's own
    // stat has the last word.
    int fd = ::openat(fd_, name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
    if (fd < 0) {
        if (errno == ELOOP)
            return failure(open_outcome::link);
        return failure(errno == ENOENT ? open_outcome::missing : open_outcome::failed, errno);
    }
    opened_file file;
    if (::fstat(fd, &file.st) != 0) {
        int error = errno;
        ::close(fd);
        return failure(open_outcome::failed, error);
    }
    if (!S_ISREG(file.st.st_mode)) {
        ::close(fd);
        return failure(outcome_of_kind(file.st.st_mode), EISDIR);
    }
    // Reads and writes of a regular file never block; clear the flag anyway,
    // so that nothing downstream sees EAGAIN.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file.outcome = open_outcome::opened;
    file.fd = fd;
    return file;
}
