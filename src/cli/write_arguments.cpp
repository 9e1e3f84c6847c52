// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/write_arguments.hpp"

#include <cstdio>

#include "lib/tool_error.hpp"
#include "lib/unexpected_argument.hpp"

void require_hex_numbers(const command_line& line, int first, int last)
{
    for (int i = first; i <= last; ++i) {
        if (!is_whole_hex_number(line[i].c_str())) {
            throw tool_error{1, format_text("Error: not a hexadecimal number: %s\n", line[i].c_str())};
        }
    }
}

void require_no_more_words(const command_line& line, int used)
{
    refuse_words_after(line.words, static_cast<std::size_t>(used));
}
