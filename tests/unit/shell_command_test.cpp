// SPDX-License-Identifier: GPL-2.0-or-later
// The shell runner: whole output on success; the command, its exit code and
// the end of the run on failure.
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>

#include "lib/shell_command.hpp"
#include "support/capture.hpp"

namespace {

TEST(ShellCommand, ReturnsTheWholeOutputWithItsLineEnds)
{
    captured_run r = capture_run([] { EXPECT_EQ(run_shell_command("echo one; echo; printf 'two'"), "one\n\ntwo"); });
    EXPECT_EQ(r.exit_status, std::nullopt);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(run_shell_command("true"), "");
}

TEST(ShellCommand, CollectsLongLinesAndManyLinesWhole)
{
    // A line far longer than one read from the pipe, then far more lines than
    // the pipe's buffer holds.
    std::string expected = std::string(100000, 'x') + "\n";
    for (int i = 1; i <= 200000; ++i)
        expected += std::to_string(i) + "\n";
    std::string output = run_shell_command("head -c 100000 /dev/zero | tr '\\0' x; echo; seq 1 200000");
    EXPECT_EQ(output.size(), expected.size());
    EXPECT_TRUE(output == expected);
}

TEST(ShellCommand, ANonZeroExitCodeEndsTheRunWithThatCode)
{
    captured_run r = capture_run([] { run_shell_command("echo partial; exit 3"); });
    EXPECT_EQ(r.exit_status, 3);
    EXPECT_EQ(r.out, "Shell command:  echo partial; exit 3\n  exit code: 3\nHalting.\n");

    captured_run missing = capture_run([] { run_shell_command("/nonexistent/program 2>/dev/null"); });
    EXPECT_EQ(missing.exit_status, 127);
    EXPECT_EQ(missing.out, "Shell command:  /nonexistent/program 2>/dev/null\n  exit code: 127\nHalting.\n");
}

TEST(ShellCommand, AShellKilledByASignalIsAFailure)
{
    captured_run term = capture_run([] { run_shell_command("echo partial; kill -TERM $$"); });
    EXPECT_EQ(term.exit_status, 128 + SIGTERM);
    EXPECT_EQ(term.out, "Shell command:  echo partial; kill -TERM $$\n  exit code: 143\nHalting.\n");

    captured_run kill = capture_run([] { run_shell_command("kill -KILL $$"); });
    EXPECT_EQ(kill.exit_status, 128 + SIGKILL);
    EXPECT_EQ(kill.out, "Shell command:  kill -KILL $$\n  exit code: 137\nHalting.\n");
}

TEST(ShellCommand, TheCommandTextIsPrintedAsItIs)
{
    captured_run r = capture_run([] { run_shell_command("printf '%s %d' x 1 >/dev/null; exit 1"); });
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "Shell command:  printf '%s %d' x 1 >/dev/null; exit 1\n  exit code: 1\nHalting.\n");
}

TEST(ShellCommand, AFailedWaitIsExitCodeMinusOne)
{
    // With SIGCHLD ignored the kernel reaps the shell itself, so pclose cannot
    // collect a status.
    auto previous = std::signal(SIGCHLD, SIG_IGN);
    captured_run r = capture_run([] { run_shell_command("true"); });
    std::signal(SIGCHLD, previous);
    EXPECT_EQ(r.exit_status, -1);
    EXPECT_EQ(r.out, "Shell command:  true\n  exit code: -1\nHalting.\n");
}

TEST(ShellCommand, StandardOutputIsFlushedBeforeTheCommandStarts)
{
    // The command appends to the very file that this process's standard output
    // is captured in; text printed before must already be there.
    captured_run r = capture_run([] {
        std::printf("before ");
        run_shell_command("echo from the command >> /proc/$PPID/fd/1");
    });
    EXPECT_EQ(r.out, "before from the command\n");
}

}  // namespace
