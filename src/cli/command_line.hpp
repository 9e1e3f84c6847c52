// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "lib/hex_number.hpp"

// The command line as given: word 0 is the program name as invoked (shown by
// every usage text), word 1 the command word, the rest its arguments.
struct command_line {
    std::vector<std::string> words;

    const char* program_name() const { return words[0].c_str(); }
    // Number of words, the program name counted.
    int size() const { return static_cast<int>(words.size()); }
    const std::string& operator[](int i) const { return words[static_cast<std::size_t>(i)]; }
    // Word i read as a number: hexadecimal, like every number of the tool.
    int number(int i) const { return parse_hex_int((*this)[i].c_str()); }
};

// What a command handler made of its command line: the exit status of the run,
// or no value when the handler does not serve it and the search goes on.
using command_status = std::optional<int>;
