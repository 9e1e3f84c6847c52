// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "hw/token_entry.hpp"
#include "lib/debug_trace.hpp"

constexpr std::uint8_t SMBIOS_TYPE_D4 = 0xD4;
constexpr std::uint16_t D4_TOKEN_LIST_END = 0xFFFF;

// Walks the SMBIOS structures of table and calls on_token for every token
// record of every D4 structure, in table order. Never reads past the table: a
// structure that runs off its end (no double zero after the strings, or a
// token list without its terminator) ends the walk, keeping the complete
// records before it. A D4 structure that starts inside the token list of an
// earlier one gives no tokens, so no table byte is read as two records.
// A walk that stops early is told to trace.
void walk_smbios_table(const std::vector<std::uint8_t>& table,
                       const std::function<void(const token_entry&)>& on_token, const tracer& trace = tracer{});
