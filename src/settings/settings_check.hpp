// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "hw/machine.hpp"
#include "settings/request_verdict.hpp"
#include "settings/user_settings_reader.hpp"

// A dry run of `setting readfile`: readfile's own walk, with readfile's
// verdict on every line, run under a cmos_rehearsal, so that later lines see
// the changes of earlier ones while nothing is written and no lock is taken.
// Unlike readfile it goes on past the line where readfile would stop, so that
// every problem of the file is seen at once.

struct check_entry {
    user_settings_line line;
    request_verdict verdict;
};

struct settings_check_result {
    int changes = 0;
    int problems = 0;
    int stop_line = 0;                  // where readfile would stop; 0: it completes
    // The bytes readfile would write, in order, up to where it would stop.
    std::vector<cmos_byte_change> writes_until_stop;

    // 0 when readfile would complete and every setting named is present.
    int status() const { return problems == 0 ? 0 : 1; }
};

// Checks the file; the entry of every line is told to each_line as soon as it
// is judged, and not kept.
settings_check_result check_user_settings(std::istream& in,
                                          const std::function<void(const check_entry&)>& each_line = {});

// `setting check FILE` and `setting check --json FILE`. Returns the exit status.
int setting_check_command(const std::vector<std::string>& words);
