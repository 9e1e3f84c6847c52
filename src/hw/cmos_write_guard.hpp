// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <memory>
#include <optional>

#include "hw/machine.hpp"
#include "lib/signal_hold.hpp"

// Makes a CMOS change of several bytes (a token byte and its checksum) whole
// as seen by other cmoscfg processes and by signals: while a guard is alive,
// the machine's CMOS write lock is held, so no other cmoscfg process reads or
// writes in between, and termination signals wait until the change is done.
// Create it before the first read of the change and keep it until the last
// byte is written. Guards nest: only the outermost takes the lock, so a
// caller may hold one around several changes.
class cmos_write_guard {
public:
    cmos_write_guard();
    ~cmos_write_guard();
    cmos_write_guard(const cmos_write_guard&) = delete;
    cmos_write_guard& operator=(const cmos_write_guard&) = delete;

private:
    // The lock is taken before signals are held, so that a run waiting for it
    // can still be interrupted, and released first.
    std::unique_ptr<cmos_write_lock> lock_;
    std::optional<signal_hold> signals_;
    int errors_in_flight_;
};
