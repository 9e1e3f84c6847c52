// SPDX-License-Identifier: GPL-2.0-or-later
// The tool under tight process limits: a shell that cannot be started and a
// heap that runs out end the run with their messages, not with a crash.
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "support/address_sanitizer.hpp"
#include "support/demo_machine.hpp"
#include "support/fake_programs.hpp"
#include "support/test_machine.hpp"

namespace {

// Descriptors handed down to this test by whatever started it must not reach
// the tool, or they would count against its descriptor limit.
void keep_own_descriptors_from_the_tool()
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        int fd = std::stoi(entry.path().filename().string());
        if (fd > 2)
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
}

// Runs the tool with a command (platform unless told) under a shell limit
// such as "ulimit -n 4" set just before it starts.
tool_result run_limited(const test_machine& machine, const std::string& limit, const environment& env = {},
                        const std::string& command = "platform")
{
    tool_invocation invocation;
    invocation.executable = "/bin/sh";
    invocation.program_name = "sh";
    invocation.arguments = {"-c", limit + " && exec \"$0\" " + command, CMOSCFG_BINARY};
    invocation.env = env;
    return machine.run(invocation);
}

TEST(ResourceLimits, AShellThatCannotBeStartedEndsTheRunAtTheProbe)
{
    // Standard input, output and error leave one free descriptor; a pipe
    // needs two. The probe comes before the token table, so the missing
    // memory file is reported only when the shell can be started.
    keep_own_descriptors_from_the_tool();
    test_machine machine(any_machine);
    std::filesystem::remove(machine.image_path() + "/mem");
    tool_result r = run_limited(machine, "ulimit -n 64");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: unable to open " + machine.image_path() + "/mem\n");

#if UNDER_ADDRESS_SANITIZER
    // The sanitizers test memory through a pipe of their own, for which the
    // limit leaves no descriptor: they would report a fault that is not there.
    GTEST_SKIP() << "the sanitizers need descriptors the limit does not leave";
#else
    r = run_limited(machine, "ulimit -n 4");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error invoking shell command: Too many open files\n");
#endif
}

TEST(ResourceLimits, ATokenWriteWithoutRoomForItsChecksumChangesNothing)
{
    // The image's file ends with bank 0x6F; the direct method's word at
    // 0x70:0x3E/0x3F lies past it, where a file size limit (56 blocks of 512
    // bytes) stands for a full disk. The token byte itself has room.
    test_machine machine(R"(
table e8000
d4 d400 6f 70 00 40 4f 4e
token 0041 40 fe 01
end-of-table
anchor f5a00
bank 6f
)");
    std::string before = machine.cmos_file();
    ASSERT_EQ(before.size(), 0x7000u);
    tool_result r = run_limited(machine, "trap '' XFSZ; ulimit -f 56", {}, "set 41");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: unable to write " + machine.image_path() + "/cmos: File too large\n");
    EXPECT_EQ(machine.cmos_file(), before);
}

TEST(ResourceLimits, ExhaustedMemoryEndsTheRunWithItsMessage)
{
#if UNDER_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit allows";
#else
    // A product name of a gigabyte cannot be held in 64 MiB of address space.
    test_machine machine(any_machine);
    fake_programs programs;
    programs.add_script("dmidecode", "echo 'Product Name: PowerServer K2A07'\n");
    environment env{{"CMOSCFG_PLATFORM", std::nullopt}, {"PATH", programs.path()}};
    tool_result r = run_limited(machine, "ulimit -v 65536", env);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "K2A07\n");

    programs.add_script("cut", "head -c 1000000000 /dev/zero | tr '\\0' x\n");
    r = run_limited(machine, "ulimit -v 65536", env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "failed to malloc the request.\n");
#endif
}

// The verdicts of a large request are written out as they are made, not held
// besides the document: 4 MB of requests fit in 96 MiB of address space.
TEST(ResourceLimits, CheckOfALargeRequestHoldsLittleMoreThanItsDocument)
{
#if UNDER_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit allows";
#else
    demo_machine machine;
    std::string request;
    while (request.size() < 4000000)
        request += "Power Profile : Balanced\nTurbo Mode : Disabled\n";
    const std::string file = machine.dir().write("large.settings", request);
    tool_result r = run_limited(machine, "ulimit -v 98304", {{"CMOSCFG_SETTINGS", machine.settings_path()}},
                                "setting check --json " + file);
    EXPECT_EQ(r.status, 0);
    const std::string summary = "  \"summary\": {\n    \"would_change\": 1,\n    \"problems\": 0,\n"
                                "    \"stop_line\": null,\n    \"completes\": true\n  }\n}\n";
    EXPECT_TRUE(r.out.ends_with(summary)) << r.out.substr(r.out.size() > 200 ? r.out.size() - 200 : 0);
#endif
}

}  // namespace
