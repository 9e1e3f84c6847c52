// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/token_write.hpp"

#include <array>
#include <cstdio>

#include "hw/cmos_access.hpp"
#include "lib/tool_error.hpp"

namespace {

// The fixed checksum word of the direct update method.
constexpr int DIRECT_CHECKSUM_PORT = 0x70;
constexpr int DIRECT_CHECKSUM_HIGH = 0x3E;
constexpr int DIRECT_CHECKSUM_LOW = 0x3F;

// The first entry with this index port holds the bank's checksum parameters.
const token_entry& checksum_entry_for(const token_access& on, int index_port)
{
    const tracer& trace = on.trace;
    for (int i = 0; i < on.token_table.token_count(); ++i) {
        const token_entry& e = on.token_table[i];
        trace("# DEBUG: checking token table.  %d : %x\n", i, static_cast<unsigned>(e.index_port));
        if (e.index_port == index_port) {
            trace("# DEBUG this idx is appropriate--> i=%d   %x/%x:  csType %d [%02x,%02x] @%02x  Token: "
                  "%04x  loc: %02x  and: %02x  or: %02x\n",
                  i, e.index_port, e.data_port, e.checksum_type, e.checksum_start, e.checksum_end,
                  e.checksum_location, e.token_id, e.location, e.and_mask, e.or_mask);
            return e;
        }
    }
    throw tool_error{1, format_text("error:  failed to find anything in the token table with index port %x\n",
                                    static_cast<unsigned>(index_port))};
}

// One CMOS byte to write.
struct byte_write {
    int index_port;
    int location;
    int value;
};

bool same_byte(int port_a, int location_a, int port_b, int location_b)
{
    return (port_a & 0xFFFF) == (port_b & 0xFFFF) && (location_a & 0xFF) == (location_b & 0xFF);
}

// The three bytes of a token write: the token byte, then the checksum word,
// high byte first.
struct token_change {
    byte_write token;
    byte_write high;
    byte_write low;
};

token_change with_checksum_word(byte_write token, int index_port, int high_location, int low_location, int word)
{
    return {token, {index_port, high_location, (word >> 8) & 0xFF}, {index_port, low_location, word & 0xFF}};
}

// Adjusts the fixed word by the change of the byte. The change is taken from
// the byte as stored (8 bits), so that masks beyond one byte cannot put the
// word out of step with the bank. When the token byte is itself a byte of
// the word, the word holds its new value.
int direct_word_after(machine& m, const byte_write& token, int old_byte)
{
    auto byte_after_token = [&](int location) {
        if (same_byte(token.index_port, token.location, DIRECT_CHECKSUM_PORT, location))
            return token.value & 0xFF;
        return read_cmos(m, DIRECT_CHECKSUM_PORT, location);
    };
    int word = byte_after_token(DIRECT_CHECKSUM_HIGH) * 256 + byte_after_token(DIRECT_CHECKSUM_LOW);
    return (word + (token.value & 0xFF) - old_byte) & 0xFFFF;
}

// The sum of the range as it will be once the token byte is written: the sum
// before, with the token byte's old value traded for its new one when it lies
// in the range.
int standard_sum_after(const tracer& trace, const token_entry& e, int initial_sum, const byte_write& token, int old_byte)
{
    int location = token.location & 0xFF;
    bool in_range = (token.index_port & 0xFFFF) == e.index_port && location >= e.checksum_start &&
                    location <= e.checksum_end;
    int sum = in_range ? initial_sum - old_byte + (token.value & 0xFF) : initial_sum;
    trace("# DEBUG:  set_d4_token:  checksum later recomputed as:    %04x\n", static_cast<unsigned>(sum));
    return sum;
}

// Writes the three bytes as one change, with nothing read in between: a
// full disk stops the change before its first byte, and a run that is killed
// or crashes here leaves the checksum wrong for the shortest time the machine
// allows (on an image, not at all).
void write_change(write_session& writes, const token_change& change)
{
    std::array<cmos_byte_change, 3> bytes;
    std::size_t i = 0;
    for (const byte_write* w : {&change.token, &change.high, &change.low}) {
        bytes[i++] = {static_cast<std::uint16_t>(w->index_port), static_cast<std::uint8_t>(w->location),
                      static_cast<std::uint8_t>(w->value)};
    }
    writes.write(bytes);
}

}  // namespace

void set_d4_token(const token_access& on, int index_port, int location, int and_mask, int or_mask)
{
    const tracer& trace = on.trace;
    machine& m = on.cmos;
    const token_entry& e = checksum_entry_for(on, index_port);
    trace("# DEBUG:  reading from idx port:  %x  cs_loc  %x\n\n", e.index_port, e.checksum_location);

    // From the first read to the last checksum byte, no other cmoscfg process
    // may touch CMOS and no signal may end this one.
    write_session::change held(on.writes);
    // The direct method adjusts its fixed word by the byte's change, so the
    // bank's sum is only shown in a trace: without one, the range (64 reads,
    // 128 port accesses on the hardware) is not read, but refused as ever.
    int initial = 0;
    if (on.update_method == UPDATE_METHOD_STANDARD || trace.debug_enabled) {
        int stored_high = read_cmos(m, e.index_port, e.checksum_location);
        int stored_low = read_cmos(m, e.index_port, e.checksum_location + 1);
        trace("# DEBUG:  cshi: %02x\n"
              "# DEBUG:  cslo: %02x\n"
              "# DEBUG:  set_d4_token:  checksum starts out in memory:   %04x\n",
              static_cast<unsigned>(stored_high), static_cast<unsigned>(stored_low),
              static_cast<unsigned>(stored_high * 256 + stored_low));
        // Only shown: the stored and computed sums are not compared.
        initial = calc_checksum(m, 0, e.index_port, e.checksum_start, e.checksum_end);
        trace("# DEBUG:  set_d4_token:  checksum initially computed as:  %04x\n", static_cast<unsigned>(initial));
    } else {
        require_summable_range(0, e.checksum_start, e.checksum_end);
    }

    // Checked before the token byte is written, so that a missing method never
    // leaves a byte behind without its checksum.
    if (on.update_method != UPDATE_METHOD_DIRECT && on.update_method != UPDATE_METHOD_STANDARD)
        throw tool_error{1, "\nerror:  reached end of set_d4_token, but no update method was set\n"};

    // Everything is read and computed before the first byte is written.
    int old_byte = read_cmos(m, index_port, location);
    byte_write token{index_port, location, (old_byte & and_mask) | or_mask};
    if (on.update_method == UPDATE_METHOD_DIRECT) {
        write_change(on.writes, with_checksum_word(token, DIRECT_CHECKSUM_PORT, DIRECT_CHECKSUM_HIGH, DIRECT_CHECKSUM_LOW,
                                        direct_word_after(m, token, old_byte)));
    } else {
        write_change(on.writes, with_checksum_word(token, e.index_port, e.checksum_location, e.checksum_location + 1,
                                        standard_sum_after(trace, e, initial, token, old_byte)));
    }
}

void set_d4_field(const token_access& on, int index_port, int location, int mask, int value)
{
    require_nonzero_mask(mask);
    auto bits = static_cast<unsigned>(mask);
    int shift = 0;
    while ((bits & 1u) == 0) {
        bits >>= 1;
        ++shift;
    }
    auto placed = static_cast<unsigned>(value) << shift;
    set_d4_token(on, index_port, location, ~mask & 0xFF, static_cast<int>(placed & static_cast<unsigned>(mask)));
}
