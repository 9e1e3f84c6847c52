// SPDX-License-Identifier: GPL-2.0-or-later
// A termination signal that arrives while the token byte and its checksum
// bytes are written: the process must finish the change and only then end by the signal.
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "hw/image_machine.hpp"
#include "hw/token_write.hpp"
#include "lib/tool_error.hpp"
#include "support/memory_machine.hpp"
#include "support/temp_dir.hpp"

namespace {

// An image whose change of CMOS bytes is met by a signal to the process as it
// starts, the way a Ctrl-C or a kill from another terminal could land.
class signalled_image : public image_machine {
public:
    signalled_image(std::string directory, int signal_number)
        : image_machine(std::move(directory)), signal_number_(signal_number)
    {
    }

    void write_cmos_change(std::span<const cmos_byte_change> change) override
    {
        if (!sent_) {
            sent_ = true;
            ::kill(::getpid(), signal_number_);
        }
        image_machine::write_cmos_change(change);
    }

private:
    int signal_number_;
    bool sent_ = false;
};

// Runs set_d4_token in a child process on the image in dir; returns its wait status.
int write_in_child(const std::string& dir, checksum_update_method method, int signal_number)
{
    std::fflush(stdout);
    pid_t pid = ::fork();
    if (pid == 0) {
        rlimit no_core{0, 0};  // SIGQUIT would leave a core file
        ::setrlimit(RLIMIT_CORE, &no_core);
        signalled_image image(dir, signal_number);
        d4_token_table tokens({{0x72, 0x73, 0, 0x80, 0x8F, 0x90, 0x0041, 0x81, 0xFC, 0x02}});
        write_session writes(image);
        tracer trace;
        try {
            set_d4_token({image, tokens, method, writes, trace}, 0x72, 0x81, 0xFC, 0x02);
        } catch (const tool_error& error) {
            ::_exit(100 + error.status);
        }
        ::_exit(0);  // the signal was lost
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

TEST(WriteSignals, ASignalDuringTheWriteActsOnlyAfterTheChecksumIsRepaired)
{
    // Every signal that is held, under both methods between them.
    struct {
        checksum_update_method method;
        int signal_number;
    } cases[] = {
        {UPDATE_METHOD_STANDARD, SIGTERM},
        {UPDATE_METHOD_DIRECT, SIGTERM},
        {UPDATE_METHOD_STANDARD, SIGINT},
        {UPDATE_METHOD_DIRECT, SIGHUP},
        {UPDATE_METHOD_STANDARD, SIGQUIT},
        {UPDATE_METHOD_DIRECT, SIGPIPE},
    };
    for (const auto& c : cases) {
        temp_dir dir;
        // Bank 0x72: 0x80..0x8F sum to 0x012D, stored at 0x90/0x91; the
        // direct method's word at 0x70:0x3E/0x3F holds the same sum.
        std::string cmos(0x7300, '\0');
        cmos[0x703E] = 0x01;
        cmos[0x703F] = 0x2D;
        cmos[0x7280] = 0x31;
        cmos[0x7281] = static_cast<char>(0x04);
        cmos[0x7282] = static_cast<char>(0xF8);
        cmos[0x7290] = 0x01;
        cmos[0x7291] = 0x2D;
        dir.write("cmos", cmos);

        int status = write_in_child(dir.path(), c.method, c.signal_number);
        const int method = static_cast<int>(c.method);
        ASSERT_TRUE(WIFSIGNALED(status)) << "method " << method << ", wait status " << status;
        EXPECT_EQ(WTERMSIG(status), c.signal_number);

        std::string after = read_file(dir.file("cmos"));
        EXPECT_EQ(static_cast<unsigned char>(after[0x7281]), 0x06);
        int high = c.method == UPDATE_METHOD_STANDARD ? 0x7290 : 0x703E;
        EXPECT_EQ(static_cast<unsigned char>(after[high]), 0x01) << "method " << method;
        EXPECT_EQ(static_cast<unsigned char>(after[high + 1]), 0x2F) << "method " << method;
    }
}

}  // namespace

namespace {

// The top of the run prints the error's message, then ends the write session:
// only then may the held signal act, and another writer take the lock.
TEST(WriteSignals, AnErrorInAWriteIsReportedBeforeTheHeldSignalActsAndTheLockIsFreed)
{
    int message[2];
    ASSERT_EQ(::pipe(message), 0);
    std::fflush(stdout);
    pid_t pid = ::fork();
    if (pid == 0) {
        memory_machine m;
        write_session writes(m);
        try {
            write_session::change held(writes);
            ::kill(::getpid(), SIGTERM);
            throw tool_error{1, "reported\n"};
        } catch (const tool_error& error) {
            std::string report = error.text + (m.locked ? "locked\n" : "unlocked\n");
            ssize_t put = ::write(message[1], report.data(), report.size());
            writes.finish();
            ::_exit(put > 0 ? 0 : 2);   // the signal was lost
        }
    }
    ::close(message[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    char text[32] = {};
    ssize_t got = ::read(message[0], text, sizeof text - 1);
    ::close(message[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "wait status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(std::string(text, got > 0 ? static_cast<std::size_t>(got) : 0), "reported\nlocked\n");
}

}  // namespace
