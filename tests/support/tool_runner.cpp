// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/tool_runner.hpp"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::vector<std::string> build_environment(const environment& changes)
{
    std::map<std::string, std::string> env{{"PATH", "/usr/local/bin:/usr/bin:/bin"}};
    for (const auto& [name, value] : changes) {
        if (value)
            env[name] = *value;
        else
            env.erase(name);
    }
    std::vector<std::string> out;
    for (const auto& [name, value] : env)
        out.push_back(name + "=" + value);
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

[[noreturn]] void exec_child(const tool_invocation& inv, int out_fd, int err_fd)
{
    ::dup2(inv.standard_output_fd >= 0 ? inv.standard_output_fd : out_fd, 1);
    ::dup2(inv.standard_error_fd >= 0 ? inv.standard_error_fd : err_fd, 2);
    int null_fd = ::open("/dev/null", O_RDONLY);
    if (null_fd > 0) {
        ::dup2(null_fd, 0);
        ::close(null_fd);  // not handed down to the tool
    }
    if (!inv.working_directory.empty() && ::chdir(inv.working_directory.c_str()) != 0)
        ::_exit(126);
    // The build may sit where the unprivileged user cannot reach it (a clone
    // in /root, mode 0700), so the tool is opened before the switch and run
    // from that descriptor.
    int executable_fd = -1;
    if (inv.unprivileged && ::getuid() == 0) {
        executable_fd = ::open(inv.executable.c_str(), O_RDONLY | O_CLOEXEC);
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(126);
    }
    std::vector<std::string> argv_strings{inv.program_name};
    argv_strings.insert(argv_strings.end(), inv.arguments.begin(), inv.arguments.end());
    std::vector<std::string> env_strings = build_environment(inv.env);
    std::vector<char*> argv = pointers(argv_strings);
    std::vector<char*> envp = pointers(env_strings);
    if (executable_fd >= 0)
        ::fexecve(executable_fd, argv.data(), envp.data());
    else
        ::execve(inv.executable.c_str(), argv.data(), envp.data());
    const std::string failure = "cannot run " + inv.executable + ": " + std::strerror(errno) + "\n";
    [[maybe_unused]] ssize_t written = ::write(2, failure.data(), failure.size());
    ::_exit(127);
}

}  // namespace

tool_result run_tool(const tool_invocation& invocation)
{
    int out_pipe[2];
    int err_pipe[2];
    if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(err_pipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0)
        exec_child(invocation, out_pipe[1], err_pipe[1]);
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);

    tool_result result;
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open_count = 2;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(invocation.timeout_seconds);
    while (open_count > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        if (::poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
    for (pollfd& p : fds)
        if (p.fd >= 0)
            ::close(p.fd);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    // The tool writes everything to standard output; standard error would
    // hold a sanitizer's report or a stray message.
    if (!invocation.standard_error_expected) {
        EXPECT_EQ(result.err, "") << "standard error of " << invocation.program_name;
    }
    return result;
}
