// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/smbios_scan.hpp"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "hw/access_diagnosis.hpp"
#include "lib/tool_error.hpp"

namespace {

constexpr std::size_t ENTRY_POINT_SIZE = 32;
constexpr std::size_t SEGMENT_SIZE = SMBIOS_SCAN_END - SMBIOS_SCAN_START;

std::uint32_t little_endian(const unsigned char* bytes, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

// Reads until size bytes have arrived, the memory ends or a read fails.
std::size_t read_fully(physical_memory& memory, unsigned char* buffer, std::size_t size)
{
    std::size_t have = 0;
    while (have < size) {
        long got = memory.read(buffer + have, size - have);
        if (got <= 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    return have;
}

std::vector<std::uint8_t> read_structure_table(physical_memory& memory, std::uint32_t address,
                                               std::uint16_t length)
{
    std::vector<std::uint8_t> table;
    try {
        table.resize(length);
    } catch (const std::bad_alloc&) {
        throw tool_error{1, "Failure to malloc space for the smbios table.\n"};
    }
    if (length == 0)
        return table;
    // A table that cannot be read whole is refused rather than used in part:
    // a truncated token list could send writes to the wrong checksum range.
    if (!memory.seek(address) || read_fully(memory, table.data(), length) != length) {
        throw tool_error{1, format_text("Error reading the SMBIOS structure table (%u bytes at %x); please retry "
                                        "and report this bug\n",
                                        static_cast<unsigned>(length), static_cast<unsigned>(address))};
    }
    return table;
}

// The anchor at address a: copy the entry point, then the table it names.
std::vector<std::uint8_t> read_table_at_anchor(physical_memory& memory, std::uint64_t a)
{
    unsigned char entry_point[ENTRY_POINT_SIZE] = {};
    if (!memory.seek(a) || read_fully(memory, entry_point, ENTRY_POINT_SIZE) < ENTRY_POINT_SIZE) {
        throw tool_error{1, "Error reading smbios header; please retry and report this bug\n"};
    }
    auto length = static_cast<std::uint16_t>(little_endian(entry_point + 0x16, 2));
    std::uint32_t address = little_endian(entry_point + 0x18, 4);
    return read_structure_table(memory, address, length);
}

bool is_anchor(const unsigned char* bytes)
{
    return std::memcmp(bytes, "_SM_", 4) == 0;
}

// Probe by probe: a seek and a four-byte read at every 16-byte boundary. This
// is the path that reports a failing address exactly.
std::vector<std::uint8_t> scan_probe_by_probe(physical_memory& memory)
{
    std::vector<std::uint8_t> table;
    for (std::uint64_t a = SMBIOS_SCAN_START; a < SMBIOS_SCAN_END; a += 16) {
        if (!memory.seek(a)) {
            throw tool_error{1, format_text("Error seeking %x inside memory while looking for SMBIOS table\n",
                                            static_cast<unsigned>(a))};
        }
        unsigned char probe[4];
        if (memory.read(probe, 4) < 4) {
            throw tool_error{1, "Error reading bytes; please try operation again, and report this bug\n"};
        }
        if (is_anchor(probe))
            table = read_table_at_anchor(memory, a);
    }
    return table;
}

}  // namespace

std::unique_ptr<physical_memory> open_physical_memory_or_end(machine& m)
{
    std::unique_ptr<physical_memory> memory = m.open_physical_memory();
    if (!memory) {
        throw tool_error{1, format_text("Error: unable to open %s\n", m.physical_memory_path().c_str()) +
                                physical_memory_diagnosis(m, m.physical_memory_error())};
    }
    return memory;
}

std::vector<std::uint8_t> find_smbios_table(machine& m)
{
    return find_smbios_table_in(*open_physical_memory_or_end(m));
}

std::vector<std::uint8_t> find_smbios_table_in(physical_memory& memory)
{
    // The common case reads the whole 64 KiB segment at once instead of making
    // thousands of tiny reads. Only when that falls short is the probe-by-probe
    // scan needed, and it gives the exact message for the failing probe.
    // Left unfilled until the read: only a segment read whole is looked at.
    std::unique_ptr<unsigned char[]> segment(new unsigned char[SEGMENT_SIZE]);
    if (!memory.seek(SMBIOS_SCAN_START) || read_fully(memory, segment.get(), SEGMENT_SIZE) != SEGMENT_SIZE)
        return scan_probe_by_probe(memory);

    std::vector<std::uint8_t> table;
    for (std::size_t offset = 0; offset < SEGMENT_SIZE; offset += 16) {
        if (is_anchor(segment.get() + offset))
            table = read_table_at_anchor(memory, SMBIOS_SCAN_START + offset);
    }
    return table;
}
