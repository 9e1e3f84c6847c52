// SPDX-License-Identifier: GPL-2.0-or-later
// stop-on-second-write: runs a command and stops it (SIGSTOP) the moment its
// second write() to a file returns. The hardware test suite's reboot cycle
// uses it to cut "setting apply" short between the write() of its commit mark
// and that mark's fsync: the apply writes its write-ahead record (one write(),
// then fsync), then CMOS, then the mark (one write(), then fsync). A reset of
// the machine right after the stop leaves the mark in the page cache only, so
// the next boot finds an apply whose CMOS bytes are all written and that must
// be rolled back as not finished.
//
// A shell loop that looks at the file's size is far too slow for that: the
// CMOS writes take a few milliseconds. This helper is woken by inotify
// instead, and it runs SCHED_FIFO at the highest priority on the one CPU
// that it shares with the command (a normal process): the command's write()
// wakes it, and it preempts the command before the command's next system
// call, so the signal is sent before the fsync. It is a test helper, never
// installed.
//
// usage: stop-on-second-write FILE [--] COMMAND [ARGUMENT...]
// Status 0 and "stopped after the commit mark's write" when the command was
// stopped after its second write(); 1, with what happened, when it ended
// before, stopped on its own, or did not write twice within the time limit
// (the command is then killed); 2 for a wrong use.
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Long enough for an apply of a few dozen settings under QEMU's software
// emulation, short enough that the guest's boot fails rather than hangs.
constexpr int TIME_LIMIT_MS = 60 * 1000;

int fail(const char* what)
{
    std::printf("stop-on-second-write: %s: %s\n", what, std::strerror(errno));
    return 2;
}

// What became of the command, waited for (it is stopped or killed by now).
void tell_end(pid_t child, const char* when)
{
    siginfo_t info{};
    if (::waitid(P_PID, child, &info, WEXITED | WSTOPPED) != 0) {
        std::printf("stop-on-second-write: the command %s and cannot be waited for: %s\n", when, std::strerror(errno));
        return;
    }
    if (info.si_code == CLD_EXITED)
        std::printf("the command %s: it exited with status %d\n", when, info.si_status);
    else if (info.si_code == CLD_STOPPED)
        std::printf("the command %s: it was stopped by signal %d\n", when, info.si_status);
    else
        std::printf("the command %s: it was ended by signal %d\n", when, info.si_status);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return std::fputs("usage: stop-on-second-write FILE [--] COMMAND [ARGUMENT...]\n", stderr), 2;
    const char* file = argv[1];
    int first = 2;
    if (std::strcmp(argv[first], "--") == 0)
        ++first;
    if (first >= argc)
        return std::fputs("usage: stop-on-second-write FILE [--] COMMAND [ARGUMENT...]\n", stderr), 2;
    // Unbuffered: the machine is reset right after this helper ends.
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    // Both on CPU 0, whatever number of CPUs the guest has: the preemption
    // below is what keeps the command from running on after its write().
    cpu_set_t cpu;
    CPU_ZERO(&cpu);
    CPU_SET(0, &cpu);
    if (::sched_setaffinity(0, sizeof cpu, &cpu) != 0)
        return fail("cannot run on CPU 0");

    int watch = ::inotify_init1(IN_CLOEXEC);
    if (watch < 0 || ::inotify_add_watch(watch, file, IN_MODIFY) < 0)
        return fail(file);

    // The command's end is seen through a signalfd, so that one poll() waits
    // for either; SIGCHLD is blocked from before the fork on.
    sigset_t child_signal, old_mask;
    sigemptyset(&child_signal);
    sigaddset(&child_signal, SIGCHLD);
    if (::sigprocmask(SIG_BLOCK, &child_signal, &old_mask) != 0)
        return fail("cannot block SIGCHLD");
    int ended = ::signalfd(-1, &child_signal, SFD_CLOEXEC);
    if (ended < 0)
        return fail("cannot make a signalfd");

    sched_param highest{};
    highest.sched_priority = ::sched_get_priority_max(SCHED_FIFO);
    if (::sched_setscheduler(0, SCHED_FIFO, &highest) != 0)
        return fail("cannot run SCHED_FIFO");

    pid_t child = ::fork();
    if (child < 0)
        return fail("cannot fork");
    if (child == 0) {
        // The command runs as any other process does: normal priority, its
        // signal mask as this helper found it.
        sched_param normal{};
        if (::sched_setscheduler(0, SCHED_OTHER, &normal) != 0 || ::sigprocmask(SIG_SETMASK, &old_mask, nullptr) != 0)
            _exit(126);
        ::execvp(argv[first], argv + first);
        std::printf("stop-on-second-write: cannot run %s: %s\n", argv[first], std::strerror(errno));
        _exit(127);
    }

    int writes = 0;
    for (;;) {
        pollfd fds[2] = {{watch, POLLIN, 0}, {ended, POLLIN, 0}};
        int ready = ::poll(fds, 2, TIME_LIMIT_MS);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            std::printf("the command wrote %s %d times within %d s; it is killed\n", file, writes, TIME_LIMIT_MS / 1000);
            ::kill(child, SIGKILL);
            tell_end(child, "was killed");
            return 1;
        }
        // The writes first: a write() seen is a write() made, even if the
        // command has ended since (then the stop below comes too late and
        // the wait tells so).
        if (fds[0].revents & POLLIN) {
            alignas(inotify_event) char events[4096];
            ssize_t length = ::read(watch, events, sizeof events);
            if (length < 0 && errno != EINTR && errno != EAGAIN)
                return fail("cannot read the inotify events");
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                if (event->mask & IN_MODIFY)
                    ++writes;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
            if (writes >= 2) {
                ::kill(child, SIGSTOP);
                siginfo_t info{};
                if (::waitid(P_PID, child, &info, WEXITED | WSTOPPED) != 0)
                    return fail("cannot wait for the command");
                if (info.si_code != CLD_STOPPED || info.si_status != SIGSTOP) {
                    std::printf("the command ended before it could be stopped after its second write (%s %d)\n",
                                info.si_code == CLD_EXITED ? "status" : "signal", info.si_status);
                    return 1;
                }
                std::printf("stopped after the commit mark's write%s\n",
                            writes == 2 ? "" : " (and after more writes: the events came late)");
                return writes == 2 ? 0 : 1;
            }
        }
        if (fds[1].revents & POLLIN) {
            std::printf("the command ended after %d of its writes to %s, not stopped\n", writes, file);
            ::kill(child, SIGKILL);   // stopped on its own: not to be left so
            tell_end(child, "ended first");
            return 1;
        }
    }
}
