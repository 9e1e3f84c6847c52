// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/image_writer.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "hw/memory_ranges.hpp"
#include "hw/recording_memory.hpp"
#include "hw/smbios_scan.hpp"

std::size_t write_image_memory(machine& m, staged_directory& image)
{
    std::unique_ptr<physical_memory> memory = open_physical_memory_or_end(m);
    std::vector<memory_range> pieces;
    recording_memory recorder(*memory, [&pieces](std::uint64_t address, const void* bytes, std::size_t size) {
        pieces.push_back({address, std::string(static_cast<const char*>(bytes), size)});
    });
    std::size_t table_length = find_smbios_table_in(recorder).size();
    std::vector<memory_range> ranges = joined_ranges(std::move(pieces));
    // The image's memory reaches the end of the scanned segment, whatever the
    // scan had to read of it.
    std::uint64_t size = SMBIOS_SCAN_END;
    std::string bytes;
    for (const memory_range& r : ranges) {
        size = std::max<std::uint64_t>(size, r.address + r.bytes.size());
        bytes += r.bytes;
    }
    image.write_file("mem", bytes);
    image.write_file("mem.ranges", format_memory_ranges(ranges, size));
    return table_length;
}

void write_image_cmos(staged_directory& image, const cmos_snapshot& snapshot)
{
    std::string bytes;
    if (!snapshot.empty())
        bytes.assign((static_cast<std::size_t>(snapshot.rbegin()->first) + 1) * 256, '\xff');
    for (const auto& [index_port, bank] : snapshot) {
        for (std::size_t location = 0; location < bank.bytes.size(); ++location) {
            if (bank.captured.test(location))
                bytes[static_cast<std::size_t>(index_port) * 256 + location] = static_cast<char>(bank.bytes[location]);
        }
    }
    image.write_file("cmos", bytes);
}

void write_image_platform(staged_directory& image, const platform_record& record)
{
    image.write_file("platform", format_platform_record(record));
}
