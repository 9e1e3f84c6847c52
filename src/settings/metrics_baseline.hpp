// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

#include "settings/settings_context.hpp"

// A baseline: a user settings file (as `setting save` prints it) that says
// what a machine's settings should be, against which the metrics tell drift.

struct baseline_setting {
    std::string name;
    std::string value;
    bool drifting = false;   // the next boot reads another value than the baseline's
};

// Every setting the baseline names, once, in the order of the file; judged on
// the machine with readfile's reads, writing nothing. A baseline that names a
// setting this machine lacks, or a value that setting does not offer, or that
// holds a line that is not a setting, is a tool_error (status 1) naming the
// file and the line: every host would otherwise look drifting, or none. So
// is one that names a setting twice with two values.
std::vector<baseline_setting> read_baseline(const settings_context& context, const std::string& file_name);
