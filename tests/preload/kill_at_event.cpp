// SPDX-License-Identifier: GPL-2.0-or-later
// Preloaded into a run of the tool on a machine image to end it at an exact
// moment of its writes. The events are the image's CMOS writes (one pwrite a
// change) and the journal's flushes (fsync). With CMOSCFG_TEST_KILL_AT=N the
// run kills itself with SIGKILL just before its event N (from 0), as a power
// loss or an OOM kill would end it there. With CMOSCFG_TEST_COUNT_EVENTS set,
// it prints "events: P pwrite, F fsync" on standard error as it exits.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

long pwrites = 0;
long fsyncs = 0;

void before_event()
{
    static const char* kill_at = std::getenv("CMOSCFG_TEST_KILL_AT");
    if (kill_at != nullptr && pwrites + fsyncs == std::atol(kill_at))
        ::kill(::getpid(), SIGKILL);
}

struct event_counter {
    ~event_counter()
    {
        if (std::getenv("CMOSCFG_TEST_COUNT_EVENTS") != nullptr)
            std::fprintf(stderr, "events: %ld pwrite, %ld fsync\n", pwrites, fsyncs);
    }
} counter;

template <typename Function>
Function* real(const char* name)
{
    return reinterpret_cast<Function*>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" ssize_t pwrite(int fd, const void* buffer, size_t size, off_t offset)
{
    static auto real_pwrite = real<ssize_t(int, const void*, size_t, off_t)>("pwrite");
    before_event();
    ++pwrites;
    return real_pwrite(fd, buffer, size, offset);
}

extern "C" ssize_t pwrite64(int fd, const void* buffer, size_t size, off64_t offset)
{
    static auto real_pwrite64 = real<ssize_t(int, const void*, size_t, off64_t)>("pwrite64");
    before_event();
    ++pwrites;
    return real_pwrite64(fd, buffer, size, offset);
}

extern "C" int fsync(int fd)
{
    static auto real_fsync = real<int(int)>("fsync");
    before_event();
    ++fsyncs;
    return real_fsync(fd);
}
