#include "hw/file_lock.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lib/process_exit.hpp"

namespace {

class flock_hold : public cmos_write_lock {
public:
    // An owned descriptor is closed at the end, which releases the lock; a
    // borrowed one belongs to the caller, whose lock stays held.
    flock_hold(int fd, bool owned) : fd_(fd), owned_(owned) {}
    ~flock_hold() override
    {
        if (owned_)
            ::close(fd_);
    }
    flock_hold(const flock_hold&) = delete;
    flock_hold& operator=(const flock_hold&) = delete;

private:
    int fd_;
    bool owned_;
};

[[noreturn]] void lock_failure(const char* what, const std::string& path, int error)
{
    std::printf("Error: unable to %s the lock file %s: %s\n", what, path.c_str(), std::strerror(error));
    end_process(1);
}

bool same_file(int fd, const struct stat& file)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 && st.st_dev == file.st_dev && st.st_ino == file.st_ino;
}

// Another descriptor of this process on the lock file whose open file
// description holds the lock (locking it again then succeeds at once), or -1.
int inherited_lock_holder(int own_fd, const struct stat& lock_file)
{
    DIR* fds = ::opendir("/proc/self/fd");
    if (fds == nullptr)
        return -1;
    int holder = -1;
    while (dirent* entry = ::readdir(fds)) {
        char* end = nullptr;
        long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == own_fd || fd == ::dirfd(fds))
            continue;
        if (same_file(static_cast<int>(fd), lock_file) && ::flock(static_cast<int>(fd), LOCK_EX | LOCK_NB) == 0) {
            holder = static_cast<int>(fd);
            break;
        }
    }
    ::closedir(fds);
    return holder;
}

}  // namespace

std::unique_ptr<cmos_write_lock> lock_file_exclusively(const std::string& path, const lock_file_rules& rules)
{
    int flags = O_RDONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | (rules.private_file ? O_NOFOLLOW : 0);
    int fd = ::open(path.c_str(), flags, rules.create_mode);
    if (fd < 0)
        lock_failure("open", path, errno);
    struct stat st;
    if (::fstat(fd, &st) != 0)
        lock_failure("open", path, errno);
    if (rules.private_file && (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid())) {
        ::close(fd);
        std::printf("Error: the lock file %s is not a regular file owned by this user; remove it.\n", path.c_str());
        end_process(1);
    }

    // Free: take it. Held: by a caller that handed its descriptor down to us,
    // or by another process, which is waited for.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return std::make_unique<flock_hold>(fd, true);
    if (errno != EWOULDBLOCK)
        lock_failure("lock", path, errno);
    int holder = inherited_lock_holder(fd, st);
    if (holder >= 0) {
        ::close(fd);
        return std::make_unique<flock_hold>(holder, false);
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR)
            lock_failure("lock", path, errno);
    }
    return std::make_unique<flock_hold>(fd, true);
}
