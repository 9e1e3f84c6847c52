// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/token_table.hpp"

#include <new>

#include "hw/smbios_scan.hpp"
#include "hw/smbios_walk.hpp"
#include "lib/tool_error.hpp"

d4_token_table::d4_token_table(std::vector<token_entry> tokens) : entries_(std::move(tokens))
{
    first_index_by_id_.assign(0x10000, -1);
    for (int i = token_count() - 1; i >= 0; --i)
        first_index_by_id_[entries_[static_cast<std::size_t>(i)].token_id] = i;
}

int d4_token_table::find_d4_token(int token_id) const
{
    if (token_id < 0 || token_id > 0xFFFF || first_index_by_id_.empty())
        return -1;
    return first_index_by_id_[static_cast<std::size_t>(token_id)];
}

d4_token_table load_token_table(machine& m, const tracer& trace)
{
    std::vector<std::uint8_t> smbios_table = find_smbios_table(m);
    std::vector<token_entry> tokens;
    try {
        walk_smbios_table(smbios_table, [&tokens](const token_entry& entry) { tokens.push_back(entry); }, trace);
        return d4_token_table(std::move(tokens));
    } catch (const std::bad_alloc&) {
        throw tool_error{1, "Failed to malloc space for internal D4 token table.\n"};
    }
}
