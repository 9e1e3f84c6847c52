// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <vector>

#include "hw/machine.hpp"
#include "settings/request_verdict.hpp"
#include "settings/user_settings_reader.hpp"

// What `setting check` finds: a verdict for each line, and the summary.

struct check_entry {
    user_settings_line line;
    request_verdict verdict;
};

struct settings_check_result {
    int changes = 0;                    // lines judged a change, the stop line or not
    int changes_until_stop = 0;         // of those, the ones before the stop line: what readfile changes
    int problems = 0;
    int stop_line = 0;                  // where readfile would stop; 0: it completes
    // The bytes readfile would write, in order, up to where it would stop.
    std::vector<cmos_byte_change> writes_until_stop;
    // Where each of its changes ends in writes_until_stop (a token byte and
    // its checksum are one change).
    std::vector<std::size_t> change_ends_until_stop;

    // 0 when readfile would complete and every setting named is present.
    int status() const { return problems == 0 ? 0 : 1; }
};
