// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/pseudo_terminal.hpp"

#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

pseudo_terminal::pseudo_terminal()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        ADD_FAILURE() << "cannot make a pseudo-terminal";
        return;
    }
    terminal_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (terminal_ < 0 || ::tcgetattr(terminal_, &raw) != 0) {
        ADD_FAILURE() << "cannot open the pseudo-terminal";
        return;
    }
    ::cfmakeraw(&raw);
    EXPECT_EQ(::tcsetattr(terminal_, TCSANOW, &raw), 0);
}

pseudo_terminal::~pseudo_terminal()
{
    if (terminal_ >= 0)
        ::close(terminal_);
    if (master_ >= 0)
        ::close(master_);
}

std::string pseudo_terminal::pending_output()
{
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = ::read(master_, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    return text;
}
