// SPDX-License-Identifier: GPL-2.0-or-later
// CMOS writes of concurrent runs are serialised by the lock on the image's
// cmos file: a write waits for the holder (and says so on a terminal), a
// caller holding the lock can run the tool inside it, a caller's descriptor
// that does not hold it is left alone, and many runs at once leave a correct
// checksum.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <sstream>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "support/address_sanitizer.hpp"
#include "support/pseudo_terminal.hpp"
#include "support/test_machine.hpp"

namespace {

const char* const one_bank = R"(
table e8000
d4 d400 70 71 00 40 4f 3e
token 0041 40 fe 01
token 0042 40 fe 00
end-of-table
anchor f5a00
bank 70
cmos 70 40 10 22
checksum 70 40 4f 3e
)";

// Tokens on both fixed banks: a write through either finds its checksum
// entry, so that only the checks of its words can stop it.
const char* const both_banks = R"(
table e8000
d4 d400 70 71 00 40 4f 3e
token 0041 40 fe 01
d4 d401 72 73 00 80 8f 90
token 0050 80 fc 02
end-of-table
anchor f5a00
bank 70
cmos 70 40 10 22
checksum 70 40 4f 3e
bank 72
checksum 72 80 8f 90
)";

// Holds an exclusive flock on a file for the test; close_on_exec false lets
// the tools the test starts inherit the descriptor, and with it the lock.
class held_lock {
public:
    held_lock(const std::string& path, bool close_on_exec)
    {
        fd_ = ::open(path.c_str(), O_RDONLY | (close_on_exec ? O_CLOEXEC : 0));
        if (fd_ < 0 || ::flock(fd_, LOCK_EX | LOCK_NB) != 0)
            throw std::runtime_error("cannot lock " + path);
    }
    ~held_lock() { release(); }
    held_lock(const held_lock&) = delete;
    held_lock& operator=(const held_lock&) = delete;

    void release()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

// The ids of the processes that wait in flock(2) for the lock on path, as the
// kernel lists them in /proc/locks ("1: -> FLOCK  ADVISORY  WRITE PID MAJ:MIN:INODE ...").
std::vector<int> lock_waiters(const std::string& path)
{
    struct stat st;
    std::vector<int> pids;
    if (::stat(path.c_str(), &st) != 0)
        return pids;
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, arrow, kind, advisory, mode, device;
        int pid = 0;
        fields >> number >> arrow >> kind >> advisory >> mode >> pid >> device;
        std::string inode = device.substr(device.rfind(':') + 1);
        if (arrow == "->" && kind == "FLOCK" && inode == std::to_string(st.st_ino))
            pids.push_back(pid);
    }
    return pids;
}

// Waits (generously) until a process waits for the lock on path; its id.
int wait_for_lock_waiter(const std::string& path)
{
    for (int i = 0; i < 3000; ++i) {
        std::vector<int> pids = lock_waiters(path);
        if (!pids.empty())
            return pids.front();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

// The environment of a run that the preloaded hook stops where variable
// says, telling the test on the socket fd and waiting for its answer there.
environment paused_by_hook(const char* variable, int fd)
{
    return {{"LD_PRELOAD", PAUSE_AT_DESCRIPTOR_SCAN},
            {variable, std::to_string(fd)},
            {"ASAN_OPTIONS", "verify_asan_link_order=0"}};
}

std::future<tool_result> start(const test_machine& machine, std::vector<std::string> arguments)
{
    return std::async(std::launch::async, [&machine, arguments] { return machine.run(arguments); });
}

bool finished(std::future<tool_result>& run)
{
    return run.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

TEST(CmosWriteLock, EveryWriteWaitsWhileAnotherProcessHoldsTheLock)
{
    struct {
        std::vector<std::string> args;
        int location;
        int value;
    } writes[] = {
        {{"set", "41"}, 0x40, 0x11},
        {{"setraw", "70", "41", "0", "23"}, 0x41, 0x23},
        {{"poke", "70", "41", "23"}, 0x41, 0x23},
    };
    for (const auto& w : writes) {
        test_machine machine(one_bank);
        std::string cmos_path = machine.image_path() + "/cmos";
        std::string before = machine.cmos_file();
        held_lock other(cmos_path, true);

        std::future<tool_result> run = start(machine, w.args);
        ASSERT_GT(wait_for_lock_waiter(cmos_path), 0) << w.args[0];
        EXPECT_FALSE(finished(run)) << w.args[0];
        EXPECT_EQ(machine.cmos_file(), before) << w.args[0];

        other.release();
        tool_result r = run.get();
        EXPECT_EQ(r.status, 0) << w.args[0];
        EXPECT_EQ(r.out, "") << w.args[0];
        EXPECT_EQ(machine.cmos(0x70, static_cast<std::uint8_t>(w.location)), w.value) << w.args[0];
    }
}

TEST(CmosWriteLock, MistypedOutOfRangeOrExtraWordsOfWritesAreRefusedBeforeTheLockIsWaitedFor)
{
    const std::string not_a_bank = " is not a CMOS bank of this machine (its banks: 70 72)\n";
    test_machine machine(both_banks);
    std::string before = machine.cmos_file();
    held_lock other(machine.image_path() + "/cmos", true);
    struct {
        std::vector<std::string> args;
        std::string out;
    } writes[] = {
        // a letter O: location 4, the RTC hours, if read leniently
        {{"poke", "70", "4O", "5a"}, "Error: not a hexadecimal number: 4O\n"},
        {{"set", "41h"}, "Error: not a hexadecimal number: 41h\n"},
        {{"setraw", "70", "41", "0", "0x"}, "Error: not a hexadecimal number: 0x\n"},
        {{"setraw", "70", "", "0", "23"}, "Error: not a hexadecimal number: \n"},
        {{"bootorder", "set", "1", "3 "}, "Error: not a hexadecimal number: 3 \n"},
        {{"bootorder_raw", "set", "72", "a4", "0f", "l"}, "Error: not a hexadecimal number: l\n"},
        // A word too many: only the words before it would be written.
        {{"poke", "70", "4", "1", "5a"}, "Error: unexpected argument: 5a\n"},
        {{"setraw", "70", "4", "1", "fe", "01"}, "Error: unexpected argument: 01\n"},
        {{"set", "41", "42"}, "Error: unexpected argument: 42\n"},
        {{"bootorder", "set", "1", "3", "4"}, "Error: unexpected argument: 4\n"},
        {{"bootorder_raw", "set", "72", "a4", "0f", "3", ""}, "Error: unexpected argument: \n"},
        // Beyond a byte or 16 bits: only the low bits would reach the ports.
        {{"poke", "70", "141", "5"}, "Error: location out of range (00 to ff): 141\n"},
        {{"poke", "70", "41", "105"}, "Error: value out of range (00 to ff): 105\n"},
        {{"poke", "70", "-1", "5"}, "Error: location out of range (00 to ff): -1\n"},
        {{"poke", "10070", "41", "5"}, "Error: index port out of range (0000 to ffff): 10070\n"},
        {{"setraw", "70", "141", "fe", "0"}, "Error: location out of range (00 to ff): 141\n"},
        {{"setraw", "70", "41", "1fe", "0"}, "Error: AND mask out of range (00 to ff): 1fe\n"},
        {{"setraw", "70", "41", "fe", "100000000"}, "Error: OR mask out of range (00 to ff): 100000000\n"},
        {{"setraw", "-70", "41", "fe", "1"}, "Error: index port out of range (0000 to ffff): -70\n"},
        {{"bootorder_raw", "set", "72", "1a3", "f0", "5"}, "Error: location out of range (00 to ff): 1a3\n"},
        {{"bootorder_raw", "set", "72", "a3", "-f0", "5"}, "Error: mask out of range (00 to ff): -f0\n"},
        {{"bootorder_raw", "set", "72", "a3", "f0", "105"}, "Error: device number out of range (00 to ff): 105\n"},
        {{"bootorder", "set", "1", "100"}, "Error: device number out of range (00 to ff): 100\n"},
        {{"bootorder", "set", "1", "-1"}, "Error: device number out of range (00 to ff): -1\n"},
        // A port that is no CMOS bank may drive another device (0x170: the
        // secondary ATA channel).
        {{"poke", "170", "41", "5"}, "Error: index port 170" + not_a_bank},
    };
    for (const auto& w : writes) {
        tool_invocation invocation;
        invocation.arguments = w.args;
        invocation.timeout_seconds = 20;
        tool_result r = machine.run(invocation);
        EXPECT_EQ(r.status, 1) << w.out;
        EXPECT_EQ(r.out, w.out);
    }
    EXPECT_EQ(machine.cmos_file(), before);

    // Commands that only read keep reading a number as far as it goes, and
    // ignore words after those they use.
    tool_result r = machine.run({"peek", "70", "41z", "0", "extra"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "22\n");
}

TEST(CmosWriteLock, ACallerHoldingTheLockCanRunTheToolInsideIt)
{
    test_machine machine(one_bank);
    std::string cmos_path = machine.image_path() + "/cmos";
    {
        held_lock caller(cmos_path, false);  // handed down to the tool
        tool_result r = machine.run({"set", "41"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(machine.cmos(0x70, 0x40), 0x11);
        EXPECT_EQ(machine.cmos(0x70, 0x3F), 0x33);
        // The caller's lock is still held after the tool has ended.
        EXPECT_THROW(held_lock(cmos_path, true), std::runtime_error);
    }

    // The same with flock(1), the way an administrator would do it.
    if (!std::filesystem::exists("/usr/bin/flock"))
        GTEST_SKIP() << "flock(1) is not installed";
    tool_invocation invocation;
    invocation.executable = "/usr/bin/flock";
    invocation.program_name = "flock";
    invocation.arguments = {cmos_path, CMOSCFG_BINARY, "set", "42"};
    invocation.env = {{"CMOSCFG_IMAGE", machine.image_path()}, {"CMOSCFG_PLATFORM", "K2A07"}, {"CMOSCFG_SETTINGS", "NONE"}};
    tool_result r = run_tool(invocation);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(machine.cmos(0x70, 0x40), 0x10);
    EXPECT_EQ(machine.cmos(0x70, 0x3F), 0x32);
}

TEST(CmosWriteLock, ACallersDescriptorThatDoesNotHoldTheLockIsLeftWithoutIt)
{
    // A shell's "exec 9<DIR/cmos" hands the tool an unlocked descriptor of the
    // lock file, and another process that holds the lock lets go just as the
    // run looks at the descriptors it inherited: a preloaded library stops the
    // run there until the lock is free. The run must take the lock on its own
    // descriptor; after it, with the caller's descriptor still open, the lock
    // is free.
    test_machine machine(one_bank);
    std::string cmos_path = machine.image_path() + "/cmos";
    int callers = ::open(cmos_path.c_str(), O_RDONLY);  // handed down, unlocked
    ASSERT_GE(callers, 0);
    int pause[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pause), 0);
    ::fcntl(pause[1], F_SETFD, 0);  // handed down
    held_lock other(cmos_path, true);

    tool_invocation invocation;
    invocation.arguments = {"set", "41"};
    invocation.env = paused_by_hook("CMOSCFG_TEST_PAUSE_FD", pause[1]);
    std::future<tool_result> run =
        std::async(std::launch::async, [&machine, invocation] { return machine.run(invocation); });
    pollfd scanning{pause[0], POLLIN, 0};
    ASSERT_EQ(::poll(&scanning, 1, 30000), 1) << "the run never looked at its descriptors";
    char byte = 0;
    ASSERT_EQ(::read(pause[0], &byte, 1), 1);
    other.release();
    ASSERT_EQ(::write(pause[0], "g", 1), 1);

    tool_result r = run.get();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(machine.cmos(0x70, 0x40), 0x11);
    EXPECT_NO_THROW(held_lock(cmos_path, true));
    ::close(callers);
    ::close(pause[0]);
    ::close(pause[1]);
}

// Exclusion itself, without a race to win: one writer is held inside its
// write, where it holds the lock, and a second writer must wait for it.
TEST(CmosWriteLock, ASecondWriterWaitsForOneInsideItsWrite)
{
    test_machine machine(one_bank);
    std::string cmos_path = machine.image_path() + "/cmos";
    int pause[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pause), 0);
    ::fcntl(pause[1], F_SETFD, 0);  // handed down
    tool_invocation held;
    held.arguments = {"poke", "70", "41", "23"};
    held.env = paused_by_hook("CMOSCFG_TEST_PAUSE_WRITE_FD", pause[1]);
    std::future<tool_result> first =
        std::async(std::launch::async, [&machine, held] { return machine.run(held); });
    pollfd writing{pause[0], POLLIN, 0};
    ASSERT_EQ(::poll(&writing, 1, 30000), 1) << "the first run never wrote";
    char byte = 0;
    ASSERT_EQ(::read(pause[0], &byte, 1), 1);

    std::future<tool_result> second = start(machine, {"poke", "70", "42", "24"});
    EXPECT_GT(wait_for_lock_waiter(cmos_path), 0) << "the second writer did not wait";
    EXPECT_FALSE(finished(second));
    ASSERT_EQ(::write(pause[0], "g", 1), 1);

    EXPECT_EQ(first.get().status, 0);
    EXPECT_EQ(second.get().status, 0);
    EXPECT_EQ(machine.cmos(0x70, 0x41), 0x23);
    EXPECT_EQ(machine.cmos(0x70, 0x42), 0x24);
    ::close(pause[0]);
    ::close(pause[1]);
}

TEST(CmosWriteLock, AWaitOfMoreThanASecondIsToldOnATerminalOnly)
{
    test_machine machine(one_bank);
    std::string cmos_path = machine.image_path() + "/cmos";
    pseudo_terminal terminal;
    if (!terminal.ready())
        GTEST_SKIP() << terminal.problem();

    for (bool on_terminal : {true, false}) {
        held_lock other(cmos_path, true);
        tool_invocation invocation;
        invocation.arguments = {"poke", "70", "41", "23"};
        invocation.standard_error_fd = on_terminal ? terminal.terminal_fd() : -1;
        std::future<tool_result> run =
            std::async(std::launch::async, [&machine, invocation] { return machine.run(invocation); });
        ASSERT_GT(wait_for_lock_waiter(cmos_path), 0);
        // Well past the second after which the wait is told, also on a
        // machine loaded by parallel sanitised tests.
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        other.release();
        tool_result r = run.get();
        EXPECT_EQ(r.status, 0) << on_terminal << " " << r.out;
        EXPECT_EQ(r.out, "") << on_terminal;  // and nothing on standard error when it is a pipe
    }
    EXPECT_EQ(terminal.pending_output(), "waiting for another cmoscfg to finish writing CMOS...\n");
}

TEST(CmosWriteLock, ARunWaitingForTheLockCanBeStoppedAndWritesNothing)
{
    test_machine machine(one_bank);
    std::string cmos_path = machine.image_path() + "/cmos";
    std::string before = machine.cmos_file();
    held_lock other(cmos_path, true);
    std::future<tool_result> run = start(machine, {"set", "41"});
    int waiter = wait_for_lock_waiter(cmos_path);
    ASSERT_GT(waiter, 0);
    ::kill(waiter, SIGTERM);
    tool_result r = run.get();
    EXPECT_EQ(r.status, 128 + SIGTERM);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(machine.cmos_file(), before);
}

TEST(CmosWriteLock, AMissingCmosFileIsCreatedForTheLock)
{
    test_machine machine(one_bank);
    std::string cmos_path = machine.image_path() + "/cmos";
    std::filesystem::remove(cmos_path);
    tool_result r = machine.run({"setraw", "70", "40", "fe", "1"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(std::filesystem::exists(cmos_path));
    EXPECT_EQ(machine.cmos(0x70, 0x40), 0xFF);  // a missing byte reads as 0xFF: bit 0 was set already

    // A directory that the user may not write: the lock file cannot be made.
    std::filesystem::remove(cmos_path);
    std::filesystem::permissions(machine.image_path(), std::filesystem::perms::owner_all |
                                                           std::filesystem::perms::group_read |
                                                           std::filesystem::perms::group_exec |
                                                           std::filesystem::perms::others_read |
                                                           std::filesystem::perms::others_exec);
    std::filesystem::permissions(machine.dir().path(), std::filesystem::perms::all);
    tool_invocation invocation;
    invocation.arguments = {"poke", "70", "40", "1"};
    invocation.unprivileged = true;
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the tool as another user";
    r = machine.run(invocation);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: unable to open the lock file " + cmos_path + ": Permission denied\n");
    EXPECT_FALSE(std::filesystem::exists(cmos_path));
}

// A user who owns the image's parent swaps the image for a link to another
// directory while a write waits for the lock: the run still writes the image
// it opened, never the directory the link points to.
TEST(CmosWriteLock, AnImageSwappedForALinkDuringARunIsNotFollowed)
{
    test_machine machine(one_bank);
    const std::string image = machine.image_path();
    const std::string cmos_path = image + "/cmos";
    const std::string before = machine.cmos_file();
    const std::string victim = machine.dir().file("victim");
    std::filesystem::copy(image, victim);
    held_lock other(cmos_path, true);

    std::future<tool_result> run = start(machine, {"poke", "70", "41", "23"});
    ASSERT_GT(wait_for_lock_waiter(cmos_path), 0);
    std::filesystem::rename(image, machine.dir().file("opened"));
    std::filesystem::create_directory_symlink(victim, image);
    other.release();

    tool_result r = run.get();
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(read_file(victim + "/cmos"), before);
    EXPECT_EQ(static_cast<unsigned char>(read_file(machine.dir().file("opened") + "/cmos").at(0x7041)), 0x23);

    // An image that is a link when the run starts is refused as a whole.
    r = machine.run({"poke", "70", "41", "24"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: " + image + " is a symbolic link; an image's directory must not be a link\n");
    EXPECT_EQ(read_file(victim + "/cmos"), before);
}

// Eight processes set pairs of tokens of bank 0x70 over and over at the same
// time; two pairs share a byte, and every pair has two workers. Every write
// must see the bank as the one before left it, or the direct method's word
// ends out of step with the bytes.
const char* const busy_bank = R"(
table e8000
d4 d400 70 71 00 40 fd 3e
token 0010 40 fe 01
token 0011 40 fe 00
token 0012 40 fd 02
token 0013 40 fd 00
token 0014 41 fe 01
token 0015 41 fe 00
token 0016 42 f0 05
token 0017 42 f0 0a
end-of-table
anchor f5a00
bank 70
cmos 70 40 00 00 00 00 00 00 00 00 12 34
checksum 70 40 fd 3e
)";

// Also when they all run under one flock(1) holder, whose lock they share:
// they still take turns among themselves, and leave no lock held. Only the
// direct method shows a lost change in the checksum word (the standard one
// recomputes it), and one round does not always lose one: three rounds.
TEST(CmosWriteLock, ManyRunsAtOnceLeaveACorrectChecksum)
{
    const struct {
        const char* platform;
        bool under_holder;
    } runs[] = {{"K2A07", false}, {"K2E07", false}, {"K2A07", true}, {"K2A07", true}, {"K2A07", true}};
#if UNDER_ADDRESS_SANITIZER
    // A sanitised run is several times slower: one round under the holder
    // keeps the test well inside its time limit.
    const std::size_t rounds = 3;
#else
    const std::size_t rounds = std::size(runs);
#endif
    for (std::size_t round = 0; round < rounds; ++round) {
        const auto [platform, under_holder] = runs[round];
        test_machine machine(busy_bank);
        const std::string script = R"(
            worker() { i=0; while [ $i -lt 20 ]; do "$TOOL" set $1 && "$TOOL" set $2 || exit 1; i=$((i+1)); done; }
            pids=
            for pair in "10 11" "12 13" "14 15" "16 17" "10 11" "12 13" "14 15" "16 17"; do worker $pair & pids="$pids $!"; done
            for pid in $pids; do wait $pid || exit 1; done
        )";
        tool_invocation invocation;
        invocation.executable = "/bin/bash";
        invocation.program_name = "bash";
        invocation.arguments = {"-c", script};
        if (under_holder) {
            invocation.executable = "/usr/bin/flock";
            invocation.program_name = "flock";
            invocation.arguments.insert(invocation.arguments.begin(), {machine.image_path() + "/cmos", "/bin/bash"});
        }
        invocation.timeout_seconds = 100;  // hundreds of runs, on a busy or sanitised build; below the test's limit
        invocation.env = {{"TOOL", CMOSCFG_BINARY},
                          {"CMOSCFG_IMAGE", machine.image_path()},
                          {"CMOSCFG_PLATFORM", platform},
                          {"CMOSCFG_SETTINGS", "NONE"}};
        tool_result r = run_tool(invocation);
        ASSERT_EQ(r.status, 0) << platform << ": " << r.out << r.err;

        EXPECT_EQ(machine.cmos(0x70, 0x40), 0x00) << platform;
        EXPECT_EQ(machine.cmos(0x70, 0x41), 0x00) << platform;
        EXPECT_EQ(machine.cmos(0x70, 0x42), 0x0A) << platform;
        int sum = 0;
        for (int location = 0x40; location <= 0xFD; ++location)
            sum += machine.cmos(0x70, static_cast<std::uint8_t>(location));
        EXPECT_EQ(sum, 0x50) << platform;
        EXPECT_EQ(machine.cmos(0x70, 0x3E) * 256 + machine.cmos(0x70, 0x3F), sum) << platform;
        EXPECT_NO_THROW(held_lock(machine.image_path() + "/cmos", true)) << platform;
    }
}

// The hand-off is found through /proc. Without it, a run under its caller's
// lock must not wait for that caller forever: it says why and ends.
TEST(CmosWriteLock, WithoutProcARunUnderAHolderEndsWithAnError)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hide /proc in a mount namespace";
    if (!std::filesystem::exists("/usr/bin/unshare") || !std::filesystem::exists("/usr/bin/flock"))
        GTEST_SKIP() << "unshare(1) or flock(1) is not installed";
#if UNDER_ADDRESS_SANITIZER
    // Without /proc the address sanitizer cannot find the stack's bounds and
    // reports a false overflow when the tool's error unwinds.
    GTEST_SKIP() << "the address sanitizer needs /proc";
#endif
    // Inside a chroot whose root is no mount point, unshare cannot make the
    // mount namespace private.
    tool_invocation probe;
    probe.executable = "/usr/bin/unshare";
    probe.program_name = "unshare";
    probe.arguments = {"--mount", "--propagation", "private", "/bin/true"};
    probe.standard_error_expected = true;
    if (tool_result p = run_tool(probe); p.status != 0)
        GTEST_SKIP() << "unshare cannot make a private mount namespace here: " << p.err;
    test_machine machine(one_bank);
    const std::string before = machine.cmos_file();
    const std::string cmos_path = machine.image_path() + "/cmos";
    tool_invocation invocation;
    invocation.executable = "/usr/bin/unshare";
    invocation.program_name = "unshare";
    invocation.arguments = {"--mount", "--propagation", "private", "/bin/sh", "-c",
                            "mount -t tmpfs none /proc && exec flock \"$LOCK\" \"$TOOL\" poke 70 41 23"};
    invocation.env = {{"TOOL", CMOSCFG_BINARY},
                      {"LOCK", cmos_path},
                      {"CMOSCFG_IMAGE", machine.image_path()},
                      {"CMOSCFG_PLATFORM", "K2A07"},
                      {"CMOSCFG_SETTINGS", "NONE"}};
    invocation.timeout_seconds = 20;
    tool_result r = run_tool(invocation);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error: the lock file " + cmos_path + " is held and this run inherited a descriptor of it; "
                     "without /proc it cannot tell whether its caller holds the lock\n");
    EXPECT_EQ(machine.cmos_file(), before);
}

}  // namespace
