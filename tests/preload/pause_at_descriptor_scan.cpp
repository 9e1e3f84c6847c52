// SPDX-License-Identifier: GPL-2.0-or-later
// Preloaded into a run of the tool by the lock race test: when the tool opens
// /proc/self/fd to look for a lock handed down by its caller, it tells the
// test (one byte on the descriptor named by CMOSCFG_TEST_PAUSE_FD) and waits
// for one byte back. The test lets go of the lock in between, which puts the
// run exactly at the moment where another holder's release once made it lock
// and keep a descriptor that was not its own.
#include <cstdlib>
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
