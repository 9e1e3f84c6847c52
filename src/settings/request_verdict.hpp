// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

#include "settings/setting_reading.hpp"
#include "settings/user_settings_reader.hpp"
#include "settings/write_target.hpp"

// What `setting readfile` does with one line of a user settings file on this
// machine as it stands: the one answer that readfile acts on and that
// `setting check` reports.
enum class request_outcome {
    change,              // the value's token is written
    unchanged,           // already at that value
    unknown_name,        // no setting of that name: skipped
    case_differs,        // no setting of that name, but one differs only in letter case: skipped
    not_present,         // none of its values is set on this machine: skipped
    value_not_offered,   // the setting has no such value: readfile stops
    two_values_set,      // several of its values are set: readfile stops
    missing_token,       // the value's token is not on this machine: readfile stops
    malformed,           // not one name, ':' and one value: readfile stops
    comment,             // comment, head, parameter or empty line: skipped
    fails,               // reading the setting or writing its token fails: readfile stops with that error
};

struct request_verdict {
    request_outcome outcome = request_outcome::comment;
    setting_reading reading;                 // the setting as readfile's strict read found it
    write_target target;                     // change, value_not_offered and missing_token
    const setting_node* similar = nullptr;   // case_differs: the setting whose name it resembles
    std::string failure;                     // fails: the error's text, as readfile would print it

    // The run of readfile ends at this line.
    bool stops_readfile() const;
    // Anything but a change, an unchanged setting or a comment.
    bool is_problem() const;
};

// Judges the line with readfile's reads: its present test, then its strict
// read, both told to watch. Reads CMOS, writes nothing.
request_verdict judge_request(const settings_context& context, const user_settings_line& line,
                              const reading_watch& watch = {});
