// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/smbios_walk.hpp"

#include <cstdio>

#include "lib/debug_trace.hpp"

namespace {

constexpr std::size_t D4_HEADER_SIZE = 12;
constexpr std::size_t D4_RECORD_SIZE = 5;

std::uint16_t u16_at(const std::vector<std::uint8_t>& table, std::size_t offset)
{
    return static_cast<std::uint16_t>(table[offset] | (table[offset + 1] << 8));
}

void trace_truncated(const tracer& trace, std::size_t structure_offset)
{
    trace("# DEBUG: SMBIOS structure at offset %zx runs past the end of the table; walk stopped.\n",
          structure_offset);
}

// The records of the D4 structure at s; false when its list runs off the table.
// list_end is moved past the list's terminating id.
bool walk_d4_structure(const std::vector<std::uint8_t>& table, std::size_t s, std::size_t& list_end,
                       const std::function<void(const token_entry&)>& on_token)
{
    const std::size_t length = table.size();
    if (s + D4_HEADER_SIZE > length)
        return false;
    token_entry header{};
    header.index_port = u16_at(table, s + 4);
    header.data_port = u16_at(table, s + 6);
    header.checksum_type = table[s + 8];
    header.checksum_start = table[s + 9];
    header.checksum_end = table[s + 10];
    header.checksum_location = table[s + 11];

    // The list ends at the id 0xFFFF, not at the formatted length.
    for (std::size_t r = s + D4_HEADER_SIZE;; r += D4_RECORD_SIZE) {
        if (r + 2 > length)
            return false;
        std::uint16_t id = u16_at(table, r);
        if (id == D4_TOKEN_LIST_END) {
            list_end = r + 2;
            return true;
        }
        if (r + D4_RECORD_SIZE > length)
            return false;
        token_entry entry = header;
        entry.token_id = id;
        entry.location = table[r + 2];
        entry.and_mask = table[r + 3];
        entry.or_mask = table[r + 4];
        on_token(entry);
    }
}

}  // namespace

void walk_smbios_table(const std::vector<std::uint8_t>& table,
                       const std::function<void(const token_entry&)>& on_token, const tracer& trace)
{
    const std::size_t length = table.size();
    // A token list is not bounded by its structure's formatted length, so it
    // can run on over the structures after it. A D4 structure that starts
    // inside the list before it is taken as bytes of that list and gives no
    // tokens of its own: every table byte then belongs to at most one record,
    // and a table of L bytes never gives more than L / 5 tokens (back-to-back
    // structures re-reading one long list would give quadratically many).
    // Firmware ends each list inside its own formatted area, so it never meets this.
    std::size_t list_end = 0;
    std::size_t p = 0;
    while (p < length) {
        if (table[p] == SMBIOS_TYPE_D4 && p >= list_end && !walk_d4_structure(table, p, list_end, on_token)) {
            trace_truncated(trace, p);
            return;
        }
        if (p + 1 >= length) {
            trace_truncated(trace, p);
            return;
        }
        // Step over the formatted area, then the string set up to its double zero.
        std::size_t q = p + table[p + 1];
        while (q + 1 < length && !(table[q] == 0 && table[q + 1] == 0))
            ++q;
        if (q + 1 >= length) {
            trace_truncated(trace, p);
            return;
        }
        p = q + 2;
    }
}
