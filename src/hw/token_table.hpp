// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <vector>

#include "hw/machine.hpp"
#include "hw/token_entry.hpp"
#include "lib/debug_trace.hpp"

// Every D4 token of the machine, in SMBIOS order, with a lookup by id in
// logarithmic time, however many settings ask for tokens. Built once at
// start-up and read-only afterwards.
class d4_token_table {
public:
    d4_token_table() = default;
    explicit d4_token_table(std::vector<token_entry> tokens);

    int token_count() const { return static_cast<int>(entries_.size()); }
    const token_entry& operator[](int i) const { return entries_[static_cast<std::size_t>(i)]; }
    const std::vector<token_entry>& entries() const { return entries_; }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

    // Index of the first entry with this id, or -1. Ids outside 0..0xFFFF never match.
    int find_d4_token(int token_id) const;

private:
    std::vector<token_entry> entries_;
    // The first table index of each id the table holds, sorted by id: as
    // large as the table, where an array of every 16-bit id would cost
    // start-up 256 KiB to fill.
    struct first_entry {
        std::uint16_t token_id;
        int index;
    };
    std::vector<first_entry> first_index_by_id_;
};

// Reads the SMBIOS table of the machine and collects its tokens.
d4_token_table load_token_table(machine& m, const tracer& trace);
