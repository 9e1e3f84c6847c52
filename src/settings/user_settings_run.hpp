// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <istream>

#include "lib/tool_error.hpp"
#include "settings/request_verdict.hpp"
#include "settings/settings_context.hpp"
#include "settings/user_settings_reader.hpp"

// How a walk through a user settings file is told of each line.
class user_settings_observer {
public:
    virtual ~user_settings_observer() = default;
    // Before a request is judged: what its reads report follows.
    virtual void before_judging(const user_settings_line&) {}
    // How the reads of a request are watched.
    virtual reading_watch watch(const user_settings_line&) { return {}; }
    // The verdict on every line, in order, before a change is written. To
    // stop the walk, throw.
    virtual void judged(const user_settings_line& line, const request_verdict& verdict) = 0;
    // A line's reads or its write ended with an error. Readfile stops there
    // with the error; an observer that returns true instead goes on, and the
    // line is told to done() as failing.
    virtual bool goes_on_after(const tool_error&) { return false; }
    // The line's last word, after its change is written (or has failed).
    virtual void done(const user_settings_line&, const request_verdict&) {}
};

// Readfile's walk: each line in order is judged on the machine as the
// earlier lines left it, and a change is written (with its checksum) before
// the next line is read. Handed a rehearsal of the machine, it writes nothing.
void run_user_settings(const settings_context& context, std::istream& in, user_settings_observer& observer);
