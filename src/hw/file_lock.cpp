// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/file_lock.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lib/tool_error.hpp"

namespace {

class flock_hold : public cmos_write_lock {
public:
    // An owned descriptor is closed at the end, which releases the lock.
    explicit flock_hold(int fd) : fd_(fd) {}
    ~flock_hold() override { ::close(fd_); }
    flock_hold(const flock_hold&) = delete;
    flock_hold& operator=(const flock_hold&) = delete;

private:
    int fd_;
};

// The caller's lock, shared: its descriptor stays the caller's and its lock
// stays held. turn_fd holds this run's turn among the runs that share it.
class shared_hold : public cmos_write_lock {
public:
    explicit shared_hold(int turn_fd) : turn_fd_(turn_fd) {}
    ~shared_hold() override { ::close(turn_fd_); }
    shared_hold(const shared_hold&) = delete;
    shared_hold& operator=(const shared_hold&) = delete;

private:
    int turn_fd_;
};

[[noreturn]] void lock_failure(const char* what, const std::string& path, int error)
{
    throw tool_error{1, format_text("Error: unable to %s the lock file %s: %s\n", what, path.c_str(), std::strerror(error))};
}

bool same_file(int fd, const struct stat& file)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 && st.st_dev == file.st_dev && st.st_ino == file.st_ino;
}

// Whether the open file description behind fd holds an exclusive flock(2)
// lock, as the kernel lists it in /proc/self/fdinfo/FD
// ("lock:\t1: FLOCK  ADVISORY  WRITE PID MAJ:MIN:INODE 0 EOF"). Looking takes
// no lock, so only a lock that was there before is seen.
bool holds_exclusive_flock(int fd)
{
    std::ifstream info("/proc/self/fdinfo/" + std::to_string(fd));
    std::string line;
    while (std::getline(info, line)) {
        std::istringstream fields(line);
        std::string label, number, kind, advisory, mode;
        fields >> label >> number >> kind >> advisory >> mode;
        if (label == "lock:" && kind == "FLOCK" && mode == "WRITE")
            return true;
    }
    return false;
}

constexpr int HOLDER_UNKNOWN = -2;

// Whether this process has a descriptor of the lock file besides own_fd,
// found without /proc: every possible descriptor number is asked.
bool inherited_lock_descriptor(int own_fd, const struct stat& lock_file)
{
    struct rlimit limit {};
    rlim_t last = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
    last = std::min<rlim_t>(last, 1 << 20);
    for (rlim_t fd = 0; fd < last; ++fd) {
        if (static_cast<int>(fd) != own_fd && same_file(static_cast<int>(fd), lock_file))
            return true;
    }
    return false;
}

// A descriptor of the lock file that this process inherited and whose open
// file description holds the lock already (the caller's hand-off), or -1.
// Without /proc a lock held by an open file description cannot be seen:
// HOLDER_UNKNOWN when a descriptor of the file was inherited all the same.
// Inherited descriptors are only looked at, never locked: a descriptor that
// does not hold the lock stays as it was, whoever lets go of the lock meanwhile.
int inherited_lock_holder(int own_fd, const struct stat& lock_file)
{
    DIR* fds = ::opendir("/proc/self/fd");
    if (fds == nullptr)
        return inherited_lock_descriptor(own_fd, lock_file) ? HOLDER_UNKNOWN : -1;
    int holder = -1;
    while (dirent* entry = ::readdir(fds)) {
        char* end = nullptr;
        long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == own_fd || fd == ::dirfd(fds))
            continue;
        if (same_file(static_cast<int>(fd), lock_file) && holds_exclusive_flock(static_cast<int>(fd))) {
            holder = static_cast<int>(fd);
            break;
        }
    }
    ::closedir(fds);
    return holder;
}

volatile std::sig_atomic_t wait_alarm_rang = 0;

void note_wait_alarm(int)
{
    wait_alarm_rang = 1;
}

// Takes the exclusive lock on fd, waiting: 0, or an errno value.
using blocking_lock = int (*)(int fd);

int wait_for_flock(int fd)
{
    return ::flock(fd, LOCK_EX) == 0 ? 0 : errno;
}

// An open file description lock (fcntl(2) F_OFD_SETLKW) over the whole file.
// It is apart from the flock(2) lock the caller holds on the same file, and
// like it belongs to the open file description, so closing ends it and a
// killed run leaves nothing held.
int wait_for_turn(int fd)
{
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLKW, &whole) == 0 ? 0 : errno;
}

// Waits until the lock on fd is ours. On a terminal, a wait of more than a
// second is told once on standard error, so that a user does not take the
// wait for a hang; standard output, which scripts read, stays as it is.
void wait_for_lock(int fd, const std::string& path, blocking_lock take = wait_for_flock)
{
    bool tell = ::isatty(STDERR_FILENO) == 1;
    struct sigaction previous {};
    if (tell) {
        struct sigaction alarm_action {};
        alarm_action.sa_handler = note_wait_alarm;  // no SA_RESTART: the alarm interrupts flock(2)
        sigemptyset(&alarm_action.sa_mask);
        wait_alarm_rang = 0;
        ::sigaction(SIGALRM, &alarm_action, &previous);
        ::alarm(1);
    }
    int error = 0;
    while ((error = take(fd)) != 0) {
        if (error != EINTR)
            break;
        error = 0;
        if (wait_alarm_rang == 1) {
            wait_alarm_rang = 0;
            std::fputs("waiting for another cmoscfg to finish writing CMOS...\n", stderr);
        }
    }
    if (tell) {
        ::alarm(0);
        ::sigaction(SIGALRM, &previous, nullptr);
    }
    if (error != 0)
        lock_failure("lock", path, error);
}

}  // namespace

std::unique_ptr<cmos_write_lock> lock_file_exclusively(const lock_file_place& file, const lock_file_rules& rules)
{
    const std::string& path = file.path;
    // Never through a symbolic link: one planted in place of the file would
    // have the lock create, as root, the file it points to. A FIFO planted
    // there must not hold the run at its open.
    int flags = O_RDONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK;
    int fd = ::openat(file.directory, file.name.c_str(), flags, rules.create_mode);
    if (fd < 0)
        lock_failure("open", path, errno);
    struct stat st;
    if (::fstat(fd, &st) != 0)
        lock_failure("open", path, errno);
    if (rules.private_file && (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid())) {
        ::close(fd);
        throw tool_error{1, format_text("Error: the lock file %s is not a regular file owned by this user; remove it.\n",
                                        path.c_str())};
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw tool_error{1, format_text("Error: the lock file %s is not a regular file\n", path.c_str())};
    }

    // Free: take it. Held, by the caller that handed its descriptor down to
    // us: share it. Held by another process: wait for it. (A lock we could
    // take at once was held by no descriptor, so it is no caller's either.)
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return std::make_unique<flock_hold>(fd);
    if (errno != EWOULDBLOCK)
        lock_failure("lock", path, errno);
    int holder = inherited_lock_holder(fd, st);
    if (holder == HOLDER_UNKNOWN) {
        ::close(fd);
        throw tool_error{1, format_text("Error: the lock file %s is held and this run inherited a descriptor of it; "
                                        "without /proc it cannot tell whether its caller holds the lock\n",
                                        path.c_str())};
    }
    if (holder >= 0) {
        ::close(fd);
        // Several runs started in parallel under one holder all share its
        // lock: they still take turns among themselves, on a descriptor of
        // their own (with write access, which a write lock needs).
        int turn_fd = ::openat(file.directory, file.name.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK);
        if (turn_fd < 0)
            lock_failure("open", path, errno);
        std::unique_ptr<cmos_write_lock> turn = std::make_unique<shared_hold>(turn_fd);
        if (!same_file(turn_fd, st))
            lock_failure("open", path, ESTALE);
        wait_for_lock(turn_fd, path, wait_for_turn);
        return turn;
    }
    std::unique_ptr<cmos_write_lock> hold = std::make_unique<flock_hold>(fd);
    wait_for_lock(fd, path);
    return hold;
}
