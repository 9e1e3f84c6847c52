// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/early_options.hpp"

#include "cli/overview_help.hpp"

std::optional<int> answer_early_options(const command_line& line)
{
    if (line.size() < 2)
        return std::nullopt;
    const std::string& word = line[1];
    if (word == "--help" || word == "-h") {
        print_overview_help();
        return 0;
    }
    if (word == "--version" || word == "-V") {
        print_version();
        return 0;
    }
    return std::nullopt;
}
