// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/replaced_file.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "lib/file_trust.hpp"
#include "lib/signal_hold.hpp"
#include "lib/tool_error.hpp"

namespace {

[[noreturn]] void fail(const std::string& path, const char* step, int error)
{
    throw tool_error{1, format_text("Error: cannot write %s: %s: %s\n", path.c_str(), step, std::strerror(error))};
}

// The temporary file: removed when it goes, unless it was renamed.
class temporary_file {
public:
    explicit temporary_file(const std::string& directory, const std::string& name, const std::string& path)
        : path_(path)
    {
        std::string pattern = directory + "/." + name + ".XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        fd_ = ::mkostemp(buffer.data(), O_CLOEXEC);
        if (fd_ < 0)
            fail(path_, "cannot create a temporary file beside it", errno);
        name_ = buffer.data();
    }
    ~temporary_file()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!renamed_)
            ::unlink(name_.c_str());
    }
    temporary_file(const temporary_file&) = delete;
    temporary_file& operator=(const temporary_file&) = delete;

    void write_whole(const std::string& contents)
    {
        for (std::size_t done = 0; done < contents.size();) {
            ssize_t n = ::write(fd_, contents.data() + done, contents.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail(path_, "write", n < 0 ? errno : ENOSPC);
            done += static_cast<std::size_t>(n);
        }
        // mkstemp makes it 0600; a collector running as another user reads it.
        if (::fchmod(fd_, 0644) != 0)
            fail(path_, "fchmod", errno);
        if (::fsync(fd_) != 0)
            fail(path_, "fsync", errno);
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            fail(path_, "close", errno);
    }

    void rename_over()
    {
        if (::rename(name_.c_str(), path_.c_str()) != 0)
            fail(path_, "rename", errno);
        renamed_ = true;
    }

private:
    std::string path_;
    std::string name_;
    int fd_ = -1;
    bool renamed_ = false;
};

}  // namespace

void replace_file(const std::string& path, const std::string& contents)
{
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..")
        throw tool_error{1, format_text("Error: cannot write %s: not a file name\n", path.c_str())};

    struct stat st {};
    if (::stat(directory.c_str(), &st) != 0)
        fail(path, directory.c_str(), errno);
    if (std::optional<std::string> reason = distrust_reason(st))
        throw tool_error{1, format_text("Error: refusing to write %s: its directory %s: %s\n", path.c_str(),
                                        directory.c_str(), reason->c_str())};

    signal_hold signals;
    temporary_file file(directory, name, path);
    file.write_whole(contents);
    file.rename_over();
    // The rename itself reaches the disk with the directory.
    int directory_fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory_fd >= 0) {
        ::fsync(directory_fd);
        ::close(directory_fd);
    }
}
