#include "hw/token_write.hpp"

#include <cstdio>

#include "hw/cmos_access.hpp"
#include "hw/cmos_write_guard.hpp"
#include "hw/token_table.hpp"
#include "hw/update_method.hpp"
#include "lib/debug_trace.hpp"
#include "lib/process_exit.hpp"

namespace {

// The fixed checksum word of the direct update method.
constexpr int DIRECT_CHECKSUM_PORT = 0x70;
constexpr int DIRECT_CHECKSUM_HIGH = 0x3E;
constexpr int DIRECT_CHECKSUM_LOW = 0x3F;

// The first entry with this index port holds the bank's checksum parameters.
const token_entry& checksum_entry_for(int index_port)
{
    for (int i = 0; i < token_count(); ++i) {
        const token_entry& e = token_table[static_cast<std::size_t>(i)];
        trace("# DEBUG: checking token table.  %d : %x\n", i, static_cast<unsigned>(e.index_port));
        if (e.index_port == index_port) {
            trace("# DEBUG this idx is appropriate--> i=%d   %x/%x:  csType %d [%02x,%02x] @%02x  Token: "
                  "%04x  loc: %02x  and: %02x  or: %02x\n",
                  i, e.index_port, e.data_port, e.checksum_type, e.checksum_start, e.checksum_end,
                  e.checksum_location, e.token_id, e.location, e.and_mask, e.or_mask);
            return e;
        }
    }
    std::printf("error:  failed to find anything in the token table with index port %x\n",
                static_cast<unsigned>(index_port));
    end_process(1);
}

void write_checksum_word(int index_port, int high_location, int low_location, int word)
{
    write_cmos(index_port, high_location, (word >> 8) & 0xFF);
    write_cmos(index_port, low_location, word & 0xFF);
}

// Adjusts the fixed word by the change of the byte. The change is taken from
// the byte as stored (8 bits), so that masks beyond one byte cannot put the
// word out of step with the bank.
void repair_direct(int old_byte, int new_byte)
{
    int word = read_cmos(DIRECT_CHECKSUM_PORT, DIRECT_CHECKSUM_HIGH) * 256 +
               read_cmos(DIRECT_CHECKSUM_PORT, DIRECT_CHECKSUM_LOW);
    word = (word + (new_byte & 0xFF) - old_byte) & 0xFFFF;
    write_checksum_word(DIRECT_CHECKSUM_PORT, DIRECT_CHECKSUM_HIGH, DIRECT_CHECKSUM_LOW, word);
}

void repair_standard(const token_entry& e)
{
    int sum = calc_checksum(0, e.index_port, e.checksum_start, e.checksum_end);
    trace("# DEBUG:  set_d4_token:  checksum later recomputed as:    %04x\n", static_cast<unsigned>(sum));
    write_checksum_word(e.index_port, e.checksum_location, e.checksum_location + 1, sum);
}

}  // namespace

void set_d4_token(int index_port, int location, int and_mask, int or_mask)
{
    const token_entry& e = checksum_entry_for(index_port);
    trace("# DEBUG:  reading from idx port:  %x  cs_loc  %x\n\n", e.index_port, e.checksum_location);

    // From the first read to the last checksum byte, no other cmoscfg process
    // may touch CMOS and no signal may end this one.
    cmos_write_guard guard;
    int stored_high = read_cmos(e.index_port, e.checksum_location);
    int stored_low = read_cmos(e.index_port, e.checksum_location + 1);
    trace("# DEBUG:  cshi: %02x\n"
          "# DEBUG:  cslo: %02x\n"
          "# DEBUG:  set_d4_token:  checksum starts out in memory:   %04x\n",
          static_cast<unsigned>(stored_high), static_cast<unsigned>(stored_low),
          static_cast<unsigned>(stored_high * 256 + stored_low));
    // Only shown: the stored and computed sums are not compared.
    int initial = calc_checksum(0, e.index_port, e.checksum_start, e.checksum_end);
    trace("# DEBUG:  set_d4_token:  checksum initially computed as:  %04x\n", static_cast<unsigned>(initial));

    // Checked before the token byte is written, so that a missing method never
    // leaves a byte behind without its checksum.
    if (update_method != UPDATE_METHOD_DIRECT && update_method != UPDATE_METHOD_STANDARD) {
        std::puts("\nerror:  reached end of set_d4_token, but no update method was set");
        end_process(1);
    }

    int old_byte = read_cmos(index_port, location);
    int new_byte = (old_byte & and_mask) | or_mask;
    write_cmos(index_port, location, new_byte);

    if (update_method == UPDATE_METHOD_DIRECT)
        repair_direct(old_byte, new_byte);
    else
        repair_standard(e);
}

void set_d4_field(int index_port, int location, int mask, int value)
{
    require_nonzero_mask(mask);
    auto bits = static_cast<unsigned>(mask);
    int shift = 0;
    while ((bits & 1u) == 0) {
        bits >>= 1;
        ++shift;
    }
    auto placed = static_cast<unsigned>(value) << shift;
    set_d4_token(index_port, location, ~mask & 0xFF, static_cast<int>(placed & static_cast<unsigned>(mask)));
}
