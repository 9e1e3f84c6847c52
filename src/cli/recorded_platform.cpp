// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/recorded_platform.hpp"

#include <cstdio>

#include "lib/tool_error.hpp"

platform_record adopt_recorded_platform(const std::string& record_text)
{
    std::string problem;
    std::optional<platform_record> record = parse_platform_record(record_text, problem);
    if (!record) {
        throw tool_error{1, format_text("Error: malformed platform record (%s)\n"
                                        "It must hold the lines \"platform: MODEL\" and \"update_method: arc_direct\" "
                                        "or \"quor_standard\".\n",
                                        problem.c_str())};
    }
    return *record;
}
