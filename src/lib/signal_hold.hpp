// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <signal.h>

// While alive, holds back the signals that end a process from outside or from
// a closed output (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE): they stay
// pending and act when it is destroyed, after standard output is flushed so
// that nothing already printed is lost.
class signal_hold {
public:
    signal_hold();
    ~signal_hold();
    signal_hold(const signal_hold&) = delete;
    signal_hold& operator=(const signal_hold&) = delete;

private:
    sigset_t previous_;
};
