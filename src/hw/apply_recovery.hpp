// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "hw/token_access.hpp"

// An apply that never reached its mark (killed, crashed, the machine reset)
// leaves its first journal record open and CMOS anywhere between its
// before- and after-image. The next run that takes the write lock rolls it
// back: every byte the apply wrote goes back to its before-image, but only
// where it still holds a value that the apply itself left there. A byte
// someone else wrote since is theirs: it is left as found and reported.
// Under the standard update method a bank with such a byte gets its checksum
// summed afresh, so that the bank is valid whatever was left; the direct
// method's word is only ever adjusted, never summed, and is restored with
// the rest.

struct rollback_report {
    std::string apply_id;
    std::string apply_time;        // when the apply began
    std::size_t restored = 0;      // bytes put back
    std::vector<left_byte> left;   // bytes left as found
    int journal_error = 0;         // the mark could not be written: the next run tries again
};

// Rolls back the journal's open apply, if there is one. Inside a change of
// on.writes, so under the lock.
std::optional<rollback_report> roll_back_open_apply(const token_access& on);

// Takes the lock, so that an apply a dead run left open is rolled back
// first, when there is one; does nothing otherwise. For the runs that read
// what the machine will boot with (status, the boot record) and write
// nothing else.
void settle_open_apply(const token_access& on);

// What a run says on standard error about a roll-back it made.
std::string rollback_notice(const rollback_report& report);
