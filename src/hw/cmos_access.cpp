// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/cmos_access.hpp"

#include <cstdint>
#include <cstdio>

#include "hw/machine.hpp"
#include "lib/debug_trace.hpp"
#include "lib/tool_error.hpp"

namespace {

std::uint16_t port_of(int index_port)
{
    return static_cast<std::uint16_t>(index_port);
}

std::uint8_t byte_of(int value)
{
    return static_cast<std::uint8_t>(value);
}

}  // namespace

int read_cmos(machine& m, int index_port, int location)
{
    return m.read_cmos_byte(port_of(index_port), byte_of(location));
}

void write_cmos(machine& m, int index_port, int location, int value)
{
    m.write_cmos_byte(port_of(index_port), byte_of(location), byte_of(value));
}

int read_cmos_masked(machine& m, int index_port, int location, int mask)
{
    int b = read_cmos(m, index_port, location);
    return mask != 0 ? b & mask : b;
}

void require_nonzero_mask(int mask)
{
    // Placing a field at the lowest set bit of a mask without one would never
    // find that bit.
    if (mask == 0)
        throw tool_error{1, "Error: mask 0 selects no bits of the CMOS byte.\n"};
}

int read_cmos_shifted(machine& m, int index_port, int location, int mask)
{
    require_nonzero_mask(mask);
    auto v = static_cast<unsigned>(read_cmos_masked(m, index_port, location, mask));
    auto bits = static_cast<unsigned>(mask);
    while ((bits & 1u) == 0) {
        v >>= 1;
        bits >>= 1;
    }
    return static_cast<int>(v);
}

int test_d4_token(machine& m, const tracer& trace, int index_port, int location, int and_mask, int or_mask)
{
    int inv = ~and_mask & 0xFF;
    int b = read_cmos(m, index_port, location);
    int a = b & inv;
    trace("idx port:         %x\n"
          "loc:              %x\n"
          "\n"
          "Read raw data:    %x\n"
          "inv AND mask:     %x\n"
          "Read anded data:  %x\n"
          "OR mask:          %x\n"
          "\n",
          static_cast<unsigned>(index_port), static_cast<unsigned>(location), static_cast<unsigned>(b),
          static_cast<unsigned>(inv), static_cast<unsigned>(a), static_cast<unsigned>(or_mask));
    return a == or_mask ? 1 : 0;
}

void require_summable_range(int type, int loc_start, int loc_end)
{
    auto first = static_cast<std::uint32_t>(loc_start);
    auto last = static_cast<std::uint32_t>(loc_end);
    if (first > last)
        throw tool_error{1, format_text("Attempted to calculate checksum, but loc_start (%x) > loc_end (%x)\n", first,
                                        last)};
    if (type != 0)
        throw tool_error{1, format_text("calc_checksum only supports type 0 checksums right now (type %d was "
                                        "requested).\n",
                                        type)};
}

int calc_checksum(machine& m, int type, int index_port, int loc_start, int loc_end)
{
    require_summable_range(type, loc_start, loc_end);
    auto first = static_cast<std::uint32_t>(loc_start);
    auto last = static_cast<std::uint32_t>(loc_end);
    // The loop stops after loc_end itself, so even loc_end 0xFFFFFFFF ends
    // without the counter wrapping; the sum is kept modulo 2^32.
    std::uint32_t sum = 0;
    for (std::uint32_t location = first;; ++location) {
        sum += static_cast<std::uint32_t>(read_cmos(m, index_port, static_cast<int>(location)));
        if (location == last)
            break;
    }
    return static_cast<int>(sum);
}
