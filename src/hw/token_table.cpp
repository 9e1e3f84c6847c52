// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/token_table.hpp"

#include <algorithm>
#include <new>

#include "hw/smbios_scan.hpp"
#include "hw/smbios_walk.hpp"
#include "lib/tool_error.hpp"

d4_token_table::d4_token_table(std::vector<token_entry> tokens) : entries_(std::move(tokens))
{
    first_index_by_id_.reserve(entries_.size());
    for (int i = 0; i < token_count(); ++i)
        first_index_by_id_.push_back({entries_[static_cast<std::size_t>(i)].token_id, i});
    // Stable, so that of entries with one id the first in the table comes first and stays.
    auto by_id = [](const first_entry& a, const first_entry& b) { return a.token_id < b.token_id; };
    std::stable_sort(first_index_by_id_.begin(), first_index_by_id_.end(), by_id);
    auto same_id = [](const first_entry& a, const first_entry& b) { return a.token_id == b.token_id; };
    first_index_by_id_.erase(std::unique(first_index_by_id_.begin(), first_index_by_id_.end(), same_id),
                             first_index_by_id_.end());
}

int d4_token_table::find_d4_token(int token_id) const
{
    if (token_id < 0 || token_id > 0xFFFF)
        return -1;
    auto found = std::lower_bound(first_index_by_id_.begin(), first_index_by_id_.end(), token_id,
                                  [](const first_entry& e, int id) { return e.token_id < id; });
    return found != first_index_by_id_.end() && found->token_id == token_id ? found->index : -1;
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
