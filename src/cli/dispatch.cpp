#include "cli/dispatch.hpp"

#include <cstdio>
#include <string_view>

#include "cli/boot_order_commands.hpp"
#include "cli/cmos_commands.hpp"
#include "cli/help_texts.hpp"
#include "cli/platform.hpp"
#include "cli/token_commands.hpp"
#include "lib/process_exit.hpp"
#include "settings/setting_command.hpp"

namespace {

using command_handler = void (*)(const command_line&);

void enghelp_command(const command_line&)
{
    print_enghelp();
    end_process(0);
}

void run_setting_command(const command_line& line)
{
    setting_command(line.words);
}

struct command_row {
    std::string_view word;
    command_handler handler;
};

// Tested in this order; the first exact, case-sensitive match decides. A
// handler that returns did not serve the request, and the search goes on.
const command_row command_table[] = {
    {"enghelp", enghelp_command},
    {"platform", platform_command},
    {"list_tokens", list_tokens_command},
    {"test", test_command},
    {"set", set_command},
    {"testraw", testraw_command},
    {"setraw", setraw_command},
    {"setting", run_setting_command},
    {"settings", run_setting_command},
    {"bootorder", bootorder_command},
    {"bootorder_raw", bootorder_raw_command},
    {"peek", peek_command},
    {"poke", poke_command},
    {"dump", dump_command},
    {"checksum", checksum_command},
    {"csum2", csum2_command},
};

}  // namespace

void dispatch_command(const command_line& line)
{
    const std::string& word = line[1];
    for (const command_row& row : command_table) {
        if (word == row.word)
            row.handler(line);
    }
    std::puts("Invalid command");
    end_process(1);
}
