// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <memory>
#include <vector>

#include "hw/machine.hpp"

// A dry run of CMOS changes. While a rehearsal is alive, the current machine
// is one whose CMOS writes land in a private copy that later reads of this run
// see, so a sequence of token writes (checksum repairs included) can be played
// through to learn what each step would find, with the machine's CMOS never
// written and its write lock never taken. Physical memory and everything else
// pass through unchanged. The real machine is back when it ends. The bytes
// that would have been written are recorded, in order.
class cmos_rehearsal {
public:
    cmos_rehearsal();
    ~cmos_rehearsal();
    cmos_rehearsal(const cmos_rehearsal&) = delete;
    cmos_rehearsal& operator=(const cmos_rehearsal&) = delete;

    // Every byte written so far, in the order of the writes.
    const std::vector<cmos_byte_change>& recorded_writes() const { return *recorded_; }

private:
    std::unique_ptr<machine> real_;
    std::shared_ptr<std::vector<cmos_byte_change>> recorded_;
};
