// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/staged_directory.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <climits>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lib/tool_error.hpp"

namespace {

constexpr mode_t DIRECTORY_MODE = 0700;
constexpr mode_t FILE_MODE = 0600;

[[noreturn]] void report_failure(const char* what, const std::string& path, int error)
{
    throw tool_error{1, format_text("Error: %s %s: %s\n", what, path.c_str(), std::strerror(error))};
}

// The path without its final slashes ("/" stays "/").
std::string without_final_slashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string parent_of(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string last_name_of(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool is_empty_directory(const std::string& path, int& error)
{
    DIR* directory = ::opendir(path.c_str());
    if (directory == nullptr) {
        error = errno;
        return false;
    }
    bool empty = true;
    errno = 0;
    while (dirent* entry = ::readdir(directory)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            empty = false;
            break;
        }
    }
    error = errno;
    ::closedir(directory);
    return empty && error == 0;
}

// ".NAME.partial-XXXXXX" beside the target; a name too long to carry whole
// is cut, so that the temporary name fits whenever the target's own does.
constexpr const char* STAGING_SUFFIX = ".partial-XXXXXX";

std::string staging_pattern(const std::string& place)
{
    std::string name = last_name_of(place);
    std::size_t room = NAME_MAX - 1 - std::strlen(STAGING_SUFFIX);
    if (name.size() > room)
        name.resize(room);
    return parent_of(place) + "/." + name + STAGING_SUFFIX;
}

bool is_staging_name(const std::string& name)
{
    std::size_t at = name.rfind(".partial-");
    return name.size() > 1 && name[0] == '.' && at != std::string::npos && at > 0 &&
           name.size() == at + std::strlen(STAGING_SUFFIX);
}

// A temporary directory of a capture that was killed (SIGKILL, a crash, a
// power loss) is left beside its target. A running capture holds a lock on
// its own, so one that can be locked is left over. It is named, not removed:
// in a shared directory, what lies there may not be what the capture left.
void refuse_leftover_staging(const std::string& parent)
{
    DIR* directory = ::opendir(parent.c_str());
    if (directory == nullptr)
        return;  // the access test that follows says why
    std::string leftover;
    while (dirent* entry = ::readdir(directory)) {
        if (!is_staging_name(entry->d_name))
            continue;
        int fd = ::openat(::dirfd(directory), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        bool ours = ::fstat(fd, &st) == 0 && st.st_uid == ::geteuid();
        bool idle = ours && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        ::close(fd);
        if (idle) {
            leftover = (parent == "/" ? "/" : parent + "/") + entry->d_name;
            break;
        }
    }
    ::closedir(directory);
    if (!leftover.empty()) {
        throw tool_error{1, format_text("Error: %s is left from a capture that did not finish; look at it and remove it\n",
                                        leftover.c_str())};
    }
}

void sync_directory(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

void staged_directory::require_new_or_empty(const std::string& target)
{
    // What the final rename cannot replace is refused before any work.
    std::string place = without_final_slashes(target);
    std::string name = last_name_of(place);
    if (target.empty() || name == "." || name == ".." || place == "/") {
        throw tool_error{1, format_text("Error: cannot create the directory \"%s\": give the name of a new directory\n",
                                        target.c_str())};
    }
    struct stat st{};
    struct stat parent{};
    if (::lstat(target.c_str(), &st) == 0 && ::stat(parent_of(place).c_str(), &parent) == 0 &&
        st.st_dev != parent.st_dev) {
        throw tool_error{1, format_text("Error: %s is a mount point; give a directory that is not\n", target.c_str())};
    }
    refuse_leftover_staging(parent_of(place));
    if (::lstat(target.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) {
            throw tool_error{1, format_text("Error: %s exists and is not a directory\n", target.c_str())};
        }
        int error = 0;
        if (!is_empty_directory(target, error)) {
            if (error != 0)
                report_failure("cannot read the directory", target, error);
            throw tool_error{1, format_text("Error: %s is not empty; give a new or empty directory\n", target.c_str())};
        }
    } else if (errno != ENOENT) {
        report_failure("cannot look at", target, errno);
    }
    // The new directory is made beside the target: refuse before any work
    // when that is not allowed.
    if (::access(parent_of(without_final_slashes(target)).c_str(), W_OK | X_OK) != 0)
        report_failure("cannot create a directory beside", target, errno);
}

staged_directory::staged_directory(const std::string& target) : target_(target)
{
    require_new_or_empty(target);
    std::string pattern = staging_pattern(without_final_slashes(target));
    signals_.emplace();
    if (::mkdtemp(pattern.data()) == nullptr)
        report_failure("cannot create a directory beside", target, errno);
    staging_ = pattern;
    // Held until the end: a capture at work is not taken for a leftover.
    staging_lock_ = ::open(staging_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (staging_lock_ < 0 || ::flock(staging_lock_, LOCK_EX) != 0)
        report_failure("cannot lock a directory beside", target, errno);
    if (::chmod(staging_.c_str(), DIRECTORY_MODE) != 0)
        report_failure("cannot set the mode of a directory beside", target, errno);
}

staged_directory::~staged_directory()
{
    if (!committed_ && !staging_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(staging_, ignored);
    }
    if (staging_lock_ >= 0)
        ::close(staging_lock_);
}

staged_directory::file::file(staged_directory& directory, const std::string& name)
    : shown_path_(without_final_slashes(directory.target_) + "/" + name)
{
    std::string path = directory.staging_ + "/" + name;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, FILE_MODE);
    if (fd_ < 0)
        fail(errno);
    if (::fchmod(fd_, FILE_MODE) != 0)
        fail(errno);
}

staged_directory::file::~file()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void staged_directory::file::fail(int error)
{
    report_failure("cannot write", shown_path_, error);
}

void staged_directory::file::write_at(std::uint64_t offset, const void* bytes, std::size_t size)
{
    const char* next = static_cast<const char*>(bytes);
    while (size > 0) {
        if (offset > static_cast<std::uint64_t>(INT64_MAX))
            fail(EFBIG);
        ssize_t put = ::pwrite(fd_, next, size, static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            fail(put < 0 ? errno : EIO);
        next += put;
        offset += static_cast<std::uint64_t>(put);
        size -= static_cast<std::size_t>(put);
    }
}

void staged_directory::file::finish(std::uint64_t minimum_size)
{
    struct stat st{};
    if (::fstat(fd_, &st) != 0)
        fail(errno);
    if (static_cast<std::uint64_t>(st.st_size) < minimum_size && ::ftruncate(fd_, static_cast<off_t>(minimum_size)) != 0)
        fail(errno);
    if (::fsync(fd_) != 0)
        fail(errno);
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail(errno);
}

void staged_directory::write_file(const std::string& name, const std::string& contents)
{
    file out(*this, name);
    out.write_at(0, contents.data(), contents.size());
    out.finish();
}

void staged_directory::commit()
{
    sync_directory(staging_);
    if (::rename(staging_.c_str(), without_final_slashes(target_).c_str()) != 0)
        report_failure("cannot rename the new directory to", target_, errno);
    committed_ = true;
    sync_directory(parent_of(without_final_slashes(target_)));
}
