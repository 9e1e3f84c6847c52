// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/cmos_write_guard.hpp"

#include <exception>

#include "lib/error_report_scope.hpp"

namespace {
int guards_alive = 0;
}

cmos_write_guard::cmos_write_guard() : errors_in_flight_(std::uncaught_exceptions())
{
    if (guards_alive == 0) {
        lock_ = current_machine().lock_cmos_writes();
        signals_.emplace();
    }
    ++guards_alive;
}

cmos_write_guard::~cmos_write_guard()
{
    --guards_alive;
    // Ended by an error on its way up: another cmoscfg gets the lock only
    // after the error's message is printed.
    if (lock_ && std::uncaught_exceptions() > errors_in_flight_) {
        std::shared_ptr<cmos_write_lock> held(std::move(lock_));
        if (!release_after_error_report([held]() mutable { held.reset(); }))
            held.reset();
    }
    lock_.reset();
    signals_.reset();
}
