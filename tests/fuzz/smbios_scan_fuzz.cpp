// SPDX-License-Identifier: GPL-2.0-or-later
// The scan of physical memory and the token table built from it, on an
// in-memory machine. Input: a flags byte, a byte for the seek limit, then the
// bytes placed at the start of the scanned segment (anchors, entry points and
// tables alike; a table may be placed anywhere in the first MiB).
#include <algorithm>
#include <cstring>
#include <memory>

#include "fuzz_target.hpp"
#include "hw/smbios_scan.hpp"
#include "hw/token_table.hpp"
#include "lib/debug_trace.hpp"
#include "support/memory_machine.hpp"

namespace {

constexpr std::uint8_t REFUSE_SEEKS = 1;      // seeks from a point in the segment on fail
constexpr std::uint8_t SHORT_MEMORY = 2;      // memory ends right after the input
constexpr std::uint8_t NO_MEMORY = 4;         // physical memory cannot be opened
constexpr std::uint8_t TRACE = 8;             // debug tracing on

constexpr std::size_t MEMORY_SIZE = 0x100000;

}  // namespace

FUZZ_TARGET(smbios_scan)
{
    if (size < 2)
        return 0;
    // One machine for every run; only the scanned segment ever changes.
    static memory_machine m;
    const std::uint8_t flags = data[0];
    const std::size_t placed = std::min<std::size_t>(size - 2, SMBIOS_SCAN_END - SMBIOS_SCAN_START);

    m.memory.resize(MEMORY_SIZE, 0);
    std::memset(m.memory.data() + SMBIOS_SCAN_START, 0, MEMORY_SIZE - SMBIOS_SCAN_START);
    std::memcpy(m.memory.data() + SMBIOS_SCAN_START, data + 2, placed);
    if (flags & SHORT_MEMORY)
        m.memory.resize(SMBIOS_SCAN_START + placed);
    m.seek_limit.reset();
    if (flags & REFUSE_SEEKS)
        m.seek_limit = SMBIOS_SCAN_START + data[1] * 0x100u;
    m.memory_opens = (flags & NO_MEMORY) == 0;
    tracer trace;
    trace.debug_enabled = (flags & TRACE) != 0;

    d4_token_table token_table;
    if (!run_to_end([&] { token_table = load_token_table(m, trace); }))
        return 0;

    // A table of at most 0xFFFF bytes, five bytes to a record.
    fuzz_check(token_table.token_count() <= 0xFFFF / 5, "more tokens than records fit in a table");
    for (int k = 0; k < token_table.token_count(); ++k) {
        const int first = token_table.find_d4_token(token_table[k].token_id);
        fuzz_check(first >= 0 && first <= k, "a token not found by its id");
    }
    return 0;
}
