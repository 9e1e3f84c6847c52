#include "cli/token_commands.hpp"

#include <cstdio>

#include "hw/token_table.hpp"
#include "lib/process_exit.hpp"

void list_tokens_command(const command_line&)
{
    for (const token_entry& e : token_table) {
        std::printf("  %x/%x:  csType %d [%02x,%02x] @%02x  Token: %04x  loc: %02x  and: %02x  or: %02x\n",
                    e.index_port, e.data_port, e.checksum_type, e.checksum_start, e.checksum_end,
                    e.checksum_location, e.token_id, e.location, e.and_mask, e.or_mask);
    }
    std::printf("\n%d tokens found.\n\n", token_count());
    end_process(0);
}
