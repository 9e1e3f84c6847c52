// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <istream>

#include "settings/request_verdict.hpp"
#include "settings/user_settings_reader.hpp"

// How a walk through a user settings file is told of each line.
class user_settings_observer {
public:
    virtual ~user_settings_observer() = default;
    // Before a request is judged: what its reads report follows.
    virtual void before_judging(const user_settings_line&) {}
    // How the reads of a request are watched.
    virtual reading_watch watch(const user_settings_line&) { return {}; }
    // The verdict on every line, in order. To stop the walk, throw.
    virtual void judged(const user_settings_line& line, const request_verdict& verdict) = 0;
};

// Readfile's walk: each line in order is judged on the machine as the
// earlier lines left it, and a change is written (with its checksum) before
// the next line is read. Run under a cmos_rehearsal, it writes nothing.
void run_user_settings(std::istream& in, user_settings_observer& observer);
