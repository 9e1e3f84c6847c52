#include "cli/early_options.hpp"

#include <cstdio>

#include "cli/help_texts.hpp"
#include "lib/build_info.hpp"
#include "lib/process_exit.hpp"

void answer_early_options(const command_line& line)
{
    if (line.size() < 2)
        return;
    const std::string& word = line[1];
    if (word == "--help" || word == "-h") {
        print_usage(line.program_name());
        end_process(0);
    }
    if (word == "--version" || word == "-V") {
        std::printf("cmoscfg %s (built %s %s)\n", build_version, build_date, build_time);
        end_process(0);
    }
}
