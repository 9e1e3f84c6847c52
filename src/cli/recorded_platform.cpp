// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/recorded_platform.hpp"

#include <cstdio>

#include "cli/platform.hpp"
#include "hw/platform_record.hpp"
#include "lib/process_exit.hpp"

int adopt_recorded_platform(const std::string& record_text)
{
    std::string problem;
    std::optional<platform_record> record = parse_platform_record(record_text, problem);
    if (!record) {
        std::printf("Error: malformed platform record (%s)\n", problem.c_str());
        std::puts("It must hold the lines \"platform: MODEL\" and \"update_method: arc_direct\" or \"quor_standard\".");
        end_process(1);
    }
    platform_name = record->platform;
    return record->update_method;
}
