// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/cmos_commands.hpp"

#include <cstdint>
#include <cstdio>

#include "cli/write_arguments.hpp"
#include "hw/cmos_access.hpp"

namespace {

// A checksum area that the BIOS keeps at a fixed place: the sum of first..last,
// stored high byte at high_location, low byte at low_location.
struct fixed_checksum_area {
    int index_port;
    int first;
    int last;
    int high_location;
    int low_location;
};

constexpr fixed_checksum_area fixed_checksum_areas[] = {
    {0x72, 0x80, 0xFC, 0xFD, 0xFE},
    {0x70, 0x40, 0x7C, 0x7D, 0x7E},
};

}  // namespace

command_status peek_command(run_context& run, const command_line& line)
{
    if (line.size() < 5) {
        std::printf("\nUsage:  %s  peek  idx_port  location  ANDmask\n\n", line.program_name());
        return 0;
    }
    int value = read_cmos_masked(run.cmos(), line.number(2), line.number(3), line.number(4));
    std::printf("%02x\n", static_cast<unsigned>(value));
    return 0;
}

command_status poke_command(run_context& run, const command_line& line)
{
    if (line.size() < 5) {
        std::printf("\nUsage:  %s  poke  idx_port  location  value\n\n", line.program_name());
        return 0;
    }
    require_no_more_words(line, 5);
    require_hex_numbers(line, 2, 4);
    require_cmos_index_port(run.token_table, line, 2);
    require_byte_number(line, 3, "location");
    require_byte_number(line, 4, "value");
    const cmos_byte_change byte{static_cast<std::uint16_t>(line.number(2)), static_cast<std::uint8_t>(line.number(3)),
                                static_cast<std::uint8_t>(line.number(4))};
    run.writes.write({&byte, 1});
    return 0;
}

command_status dump_command(run_context& run, const command_line& line)
{
    if (line.size() < 5) {
        std::printf("\nUsage:  %s  dump  idx_port  loc_start  loc_end\n\n", line.program_name());
        return 0;
    }
    int index_port = line.number(2);
    auto first = static_cast<std::uint32_t>(line.number(3));
    auto last = static_cast<std::uint32_t>(line.number(4));

    // Row labels count the bytes shown before the row (offsets from loc_start).
    std::printf("\n%04x:  ", 0u);
    if (first <= last) {
        // Stops after loc_end itself; 64 bits count even the full 2^32 range.
        std::uint64_t shown = 0;
        for (std::uint32_t location = first;; ++location) {
            ++shown;
            std::printf("%02x ", static_cast<unsigned>(read_cmos(run.cmos(), index_port, static_cast<int>(location))));
            if (location == last)
                break;
            if (shown % 16 == 0)
                std::printf("\n%04x:  ", static_cast<unsigned>(shown));
        }
    }
    std::printf("\n\n");
    return 0;
}

command_status checksum_command(run_context& run, const command_line& line)
{
    if (line.size() < 6) {
        std::printf("\nUsage:  %s  checksum  type  idx_port  loc_start  loc_end\n\n", line.program_name());
        return 0;
    }
    int sum = calc_checksum(run.cmos(), line.number(2), line.number(3), line.number(4),
                            line.number(5));
    std::printf("%04x\n", static_cast<unsigned>(sum));
    return 0;
}

command_status csum2_command(run_context& run, const command_line&)
{
    for (const fixed_checksum_area& area : fixed_checksum_areas) {
        int hi = read_cmos(run.cmos(), area.index_port, area.high_location);
        int lo = read_cmos(run.cmos(), area.index_port, area.low_location);
        int calculated = calc_checksum(run.cmos(), 0, area.index_port, area.first, area.last);
        std::printf("checksum, as read:  %x %x\n", static_cast<unsigned>(hi), static_cast<unsigned>(lo));
        std::printf("checksum, as read:  %x\n", static_cast<unsigned>(hi * 256 + lo));
        std::printf("checksum, as calcd: %x\n", static_cast<unsigned>(calculated));
    }
    return 0;
}
