// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/cmos_write_guard.hpp"

namespace {
int guards_alive = 0;
}

cmos_write_guard::cmos_write_guard()
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
    lock_.reset();
    signals_.reset();
}
