// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/signal_hold.hpp"

#include <cstdio>
#include <initializer_list>

signal_hold::signal_hold()
{
    sigset_t held;
    sigemptyset(&held);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE})
        sigaddset(&held, signal_number);
    sigprocmask(SIG_BLOCK, &held, &previous_);
}

signal_hold::~signal_hold()
{
    std::fflush(stdout);
    sigprocmask(SIG_SETMASK, &previous_, nullptr);
}
