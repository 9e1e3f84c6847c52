// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/staged_directory.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
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
    struct stat st{};
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
    std::string place = without_final_slashes(target);
    std::string pattern = parent_of(place) + "/." + last_name_of(place) + ".partial-XXXXXX";
    signals_.emplace();
    if (::mkdtemp(pattern.data()) == nullptr)
        report_failure("cannot create a directory beside", target, errno);
    staging_ = pattern;
    if (::chmod(staging_.c_str(), DIRECTORY_MODE) != 0)
        report_failure("cannot set the mode of a directory beside", target, errno);
}

staged_directory::~staged_directory()
{
    if (!committed_ && !staging_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(staging_, ignored);
    }
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
