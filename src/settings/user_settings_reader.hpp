// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <istream>
#include <string>

// One line of a user settings file (the format `setting save` prints), read
// with the rules that every reader of that format shares.
struct user_settings_line {
    enum class kind {
        skipped,     // comment, head, setting without a value, parameter or empty
        request,     // name : value
        malformed,   // not exactly one ':' before the first '#'
    };
    kind what = kind::skipped;
    int number = 0;       // counted from 1 over every line of the file
    std::string text;     // the trimmed line without its comment (request or malformed)
    std::string name;     // request only, trimmed
    std::string value;    // request only, trimmed
};

// Reads the next line of a user settings file; false at its end.
bool read_user_settings_line(std::istream& in, user_settings_line& line);
