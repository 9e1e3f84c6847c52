// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/token_commands.hpp"

#include <cstdio>

#include "cli/write_arguments.hpp"
#include "hw/cmos_access.hpp"
#include "hw/token_write.hpp"
#include "lib/tool_error.hpp"

namespace {

// The entry of the token id given on the command line; an error when
// the machine has no such token.
const token_entry& token_from_command_line(const d4_token_table& token_table, const command_line& line)
{
    int id = line.number(2);
    int i = token_table.find_d4_token(id);
    if (i < 0) {
        throw tool_error{1, format_text("Token %04x not found on system.\nHalting.\n\n", static_cast<unsigned>(id))};
    }
    return token_table[i];
}

bool token_usage_needed(const command_line& line)
{
    if (line.size() >= 3)
        return false;
    std::printf("\nUsage:  %s  test|set  token_id\n\n", line.program_name());
    return true;
}

bool raw_token_usage_needed(const command_line& line)
{
    if (line.size() >= 6)
        return false;
    std::printf("\nUsage:  %s  testraw|setraw  idx_port  location  ANDmask  ORmask\n\n", line.program_name());
    std::puts("Note that this function expects to be fed an inverted ANDmask, such that");
    std::puts("the process of setting a token is:");
    std::puts("");
    std::puts("   new value = old value & andmask | ormask");
    std::puts("");
    return true;
}

void print_test_result(int is_set)
{
    std::puts(is_set == 1 ? "set" : "unset");
}

}  // namespace

command_status list_tokens_command(run_context& run, const command_line&)
{
    for (const token_entry& e : run.token_table) {
        std::printf("  %x/%x:  csType %d [%02x,%02x] @%02x  Token: %04x  loc: %02x  and: %02x  or: %02x\n",
                    e.index_port, e.data_port, e.checksum_type, e.checksum_start, e.checksum_end,
                    e.checksum_location, e.token_id, e.location, e.and_mask, e.or_mask);
    }
    std::printf("\n%d tokens found.\n\n\n", run.token_table.token_count());
    return 0;
}

command_status test_command(run_context& run, const command_line& line)
{
    if (token_usage_needed(line))
        return 0;
    const token_entry& e = token_from_command_line(run.token_table, line);
    print_test_result(test_d4_token(run.cmos(), run.trace, e.index_port, e.location, e.and_mask, e.or_mask));
    return 0;
}

command_status set_command(run_context& run, const command_line& line)
{
    if (token_usage_needed(line))
        return 0;
    require_no_more_words(line, 3);
    require_hex_numbers(line, 2, 2);
    const token_entry& e = token_from_command_line(run.token_table, line);
    set_d4_token(run.tokens(), e.index_port, e.location, e.and_mask, e.or_mask);
    return 0;
}

command_status testraw_command(run_context& run, const command_line& line)
{
    if (raw_token_usage_needed(line))
        return 0;
    print_test_result(test_d4_token(run.cmos(), run.trace, line.number(2), line.number(3), line.number(4),
                                    line.number(5)));
    return 0;
}

command_status setraw_command(run_context& run, const command_line& line)
{
    if (raw_token_usage_needed(line))
        return 0;
    require_no_more_words(line, 6);
    require_hex_numbers(line, 2, 5);
    require_port_number(line, 2);
    require_byte_number(line, 3, "location");
    require_byte_number(line, 4, "AND mask");
    require_byte_number(line, 5, "OR mask");
    set_d4_token(run.tokens(), line.number(2), line.number(3), line.number(4),
                 line.number(5));
    return 0;
}
