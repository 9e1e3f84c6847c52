// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/pseudo_terminal.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

pseudo_terminal::pseudo_terminal()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        problem_ = std::string("no pseudo-terminal can be made here (/dev/ptmx, /dev/pts): ") + std::strerror(errno);
        return;
    }
    const char* name = ::ptsname(master_);
    terminal_ = name != nullptr ? ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
    termios raw{};
    if (terminal_ < 0 || ::tcgetattr(terminal_, &raw) != 0) {
        problem_ = std::string("the pseudo-terminal cannot be opened (/dev/pts): ") + std::strerror(errno);
        if (terminal_ >= 0)
            ::close(terminal_);
        terminal_ = -1;
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
