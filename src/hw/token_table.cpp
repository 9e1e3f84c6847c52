// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/token_table.hpp"

#include <cstdio>
#include <new>

#include "hw/machine.hpp"
#include "hw/smbios_scan.hpp"
#include "hw/smbios_walk.hpp"
#include "lib/tool_error.hpp"

std::vector<token_entry> token_table;

namespace {
// First table index of every 16-bit token id (-1: absent), so that a lookup
// costs the same however many settings ask for tokens.
std::vector<int> first_index_by_id;
}

int token_count()
{
    return static_cast<int>(token_table.size());
}

void set_token_table(std::vector<token_entry> tokens)
{
    token_table = std::move(tokens);
    first_index_by_id.assign(0x10000, -1);
    for (int i = token_count() - 1; i >= 0; --i)
        first_index_by_id[token_table[i].token_id] = i;
}

void load_token_table()
{
    std::vector<std::uint8_t> smbios_table = find_smbios_table(current_machine());
    std::vector<token_entry> tokens;
    try {
        walk_smbios_table(smbios_table, [&tokens](const token_entry& entry) { tokens.push_back(entry); });
        set_token_table(std::move(tokens));
    } catch (const std::bad_alloc&) {
        throw tool_error{1, "Failed to malloc space for internal D4 token table.\n"};
    }
}

int find_d4_token(int token_id)
{
    if (token_id < 0 || token_id > 0xFFFF || first_index_by_id.empty())
        return -1;
    return first_index_by_id[token_id];
}
