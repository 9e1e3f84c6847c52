// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/dispatch.hpp"

#include <cstdio>
#include <string_view>

#include "cli/boot_order_commands.hpp"
#include "cli/boot_record_command.hpp"
#include "cli/capture_command.hpp"
#include "cli/cmos_commands.hpp"
#include "cli/help_texts.hpp"
#include "cli/platform.hpp"
#include "cli/token_commands.hpp"
#include "settings/setting_command.hpp"

namespace {

using command_handler = command_status (*)(run_context&, const command_line&);

command_status enghelp_command(run_context&, const command_line&)
{
    print_enghelp();
    return 0;
}

command_status run_setting_command(run_context& run, const command_line& line)
{
    token_access tokens = run.tokens();
    return setting_command({run.settings, tokens}, line.words);
}

struct command_row {
    std::string_view word;
    command_handler handler;
};

// Tested in this order; the first exact, case-sensitive match decides. A
// handler that returns no status did not serve the request, and the search
// goes on.
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
    {"capture", capture_command},
    {"boot-record", boot_record_command},
};

}  // namespace

int dispatch_command(run_context& run, const command_line& line)
{
    const std::string& word = line[1];
    for (const command_row& row : command_table) {
        if (word != row.word)
            continue;
        if (command_status status = row.handler(run, line))
            return *status;
    }
    std::puts("Invalid command");
    return 1;
}

std::vector<std::string_view> command_words()
{
    std::vector<std::string_view> words;
    for (const command_row& row : command_table)
        words.push_back(row.word);
    return words;
}
