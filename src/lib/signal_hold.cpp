// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/signal_hold.hpp"

#include <cstdio>
#include <exception>
#include <initializer_list>

#include "lib/error_report_scope.hpp"

namespace {

void restore_signals(const sigset_t& previous)
{
    std::fflush(stdout);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace

signal_hold::signal_hold() : errors_in_flight_(std::uncaught_exceptions())
{
    sigset_t held;
    sigemptyset(&held);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE})
        sigaddset(&held, signal_number);
    sigprocmask(SIG_BLOCK, &held, &previous_);
}

signal_hold::~signal_hold()
{
    // Ended by an error on its way up: a held signal acts only once the
    // error's message is printed.
    if (std::uncaught_exceptions() > errors_in_flight_ &&
        release_after_error_report([previous = previous_] { restore_signals(previous); }))
        return;
    restore_signals(previous_);
}
