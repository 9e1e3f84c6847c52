// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/write_arguments.hpp"

#include <cstdio>

#include "lib/process_exit.hpp"

void require_hex_numbers(const command_line& line, int first, int last)
{
    for (int i = first; i <= last; ++i) {
        if (!is_whole_hex_number(line[i].c_str())) {
            std::printf("Error: not a hexadecimal number: %s\n", line[i].c_str());
            end_process(1);
        }
    }
}
