// SPDX-License-Identifier: GPL-2.0-or-later
// Preloaded into a run of the tool by the lock tests. With CMOSCFG_TEST_PAUSE_FD:
// when the tool opens
// /proc/self/fd to look for a lock handed down by its caller, it tells the
// test (one byte on the descriptor named by CMOSCFG_TEST_PAUSE_FD) and waits
// for one byte back. The test lets go of the lock in between, which puts the
// run exactly at the moment where another holder's release once made it lock
// and keep a descriptor that was not its own.
#include <cstdlib>
#include <sys/types.h>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <unistd.h>

extern "C" DIR* opendir(const char* name)
{
    static auto real_opendir = reinterpret_cast<DIR* (*)(const char*)>(::dlsym(RTLD_NEXT, "opendir"));
    const char* pause_fd = std::getenv("CMOSCFG_TEST_PAUSE_FD");
    if (pause_fd != nullptr && std::strcmp(name, "/proc/self/fd") == 0) {
        int fd = std::atoi(pause_fd);
        char byte = 'p';
        if (::write(fd, &byte, 1) == 1)
            (void)::read(fd, &byte, 1);
    }
    return real_opendir(name);
}

// With CMOSCFG_TEST_PAUSE_WRITE_FD: at the first write of a file (the image's
// CMOS, written only under the lock), the same exchange of one byte each way,
// so that the test holds the run inside its write.
namespace {
void pause_at_first_write()
{
    static bool paused = false;
    const char* pause_fd = std::getenv("CMOSCFG_TEST_PAUSE_WRITE_FD");
    if (pause_fd == nullptr || paused)
        return;
    paused = true;
    int fd = std::atoi(pause_fd);
    char byte = 'w';
    if (::write(fd, &byte, 1) == 1)
        (void)::read(fd, &byte, 1);
}
}  // namespace

extern "C" ssize_t pwrite(int fd, const void* buffer, size_t size, off_t offset)
{
    static auto real_pwrite = reinterpret_cast<ssize_t (*)(int, const void*, size_t, off_t)>(::dlsym(RTLD_NEXT, "pwrite"));
    pause_at_first_write();
    return real_pwrite(fd, buffer, size, offset);
}

extern "C" ssize_t pwrite64(int fd, const void* buffer, size_t size, off64_t offset)
{
    static auto real_pwrite64 =
        reinterpret_cast<ssize_t (*)(int, const void*, size_t, off64_t)>(::dlsym(RTLD_NEXT, "pwrite64"));
    pause_at_first_write();
    return real_pwrite64(fd, buffer, size, offset);
}
