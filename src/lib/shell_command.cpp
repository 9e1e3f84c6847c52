// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/shell_command.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <sys/wait.h>

#include "lib/tool_error.hpp"

namespace {

struct pipe_closer {
    void operator()(std::FILE* stream) const { ::pclose(stream); }
};

// The command's exit code from the wait status that pclose gives: its own
// code when it exited, 128 + the signal number when a signal killed it, and
// -1 when pclose itself failed.
int exit_code_of(int wait_status)
{
    if (wait_status == -1)
        return -1;
    if (WIFSIGNALED(wait_status))
        return 128 + WTERMSIG(wait_status);
    return WEXITSTATUS(wait_status);
}

}  // namespace

std::string run_shell_command(const std::string& command)
{
    // Whatever the tool printed so far comes before anything the command
    // writes to the same terminal or file.
    std::fflush(stdout);
    std::unique_ptr<std::FILE, pipe_closer> pipe(::popen(command.c_str(), "r"));
    if (!pipe) {
        throw tool_error{1, format_text("Error invoking shell command: %s\n", std::strerror(errno))};
    }

    // fgets ends the loop at the end of the output and on a read error alike;
    // either way the pipe is closed and the exit code decides.
    std::string result;
    char buffer[128];
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        // Output too long for a string is exhausted memory like any other,
        // not a length error.
        const std::size_t length = std::strlen(buffer);
        if (length > result.max_size() - result.size())
            throw std::bad_alloc();
        result.append(buffer, length);
    }

    const int code = exit_code_of(::pclose(pipe.release()));
    if (code == 0)
        return result;
    throw tool_error{code, format_text("Shell command:  %s\n  exit code: %d\nHalting.\n", command.c_str(), code)};
}
