// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings_machine.hpp"

#include <sstream>

#include "hw/token_table.hpp"
#include "settings/settings_loader.hpp"

namespace {

token_entry token(std::uint16_t port, std::uint16_t id, std::uint8_t location, std::uint8_t and_mask,
                  std::uint8_t or_mask)
{
    if (port == BANK_A)
        return {BANK_A, BANK_A + 1, 0, 0x40, 0x4F, 0x50, id, location, and_mask, or_mask};
    if (port == BANK_BROKEN)
        return {BANK_BROKEN, BANK_BROKEN + 1, 0, 0x48, 0x40, 0x50, id, location, and_mask, or_mask};
    return {BANK_B, BANK_B + 1, 0, 0x20, 0x2F, 0x30, id, location, and_mask, or_mask};
}

const char* const SETTINGS_FILE =
    "## Processor\n"
    "### Features\n"
    "Virtualization, Enabled, 10:Enabled, 11:Disabled\n"
    "Power, Balanced, 20:Performance, 21:Balanced, 22:Saving\n"
    "Both, A, 30:A, 31:B\n"
    "Partly, On, 10:On, 99:Off\n"
    "Twice, x, 10:x, 11:y\n"
    "Twice, x, 20:z, 21:w, 11:y2\n"
    "Missing, a, 98:a, 99:b\n"
    "## Second bank\n"
    "Upper, Low, 40:Low, 41:High, 42:Both\n"
    "## Broken bank\n"
    "Broken, On, 50:On, 51:Off\n";

}  // namespace

int word(memory_machine& m, std::uint16_t port, std::uint8_t high)
{
    return m.read_cmos_byte(port, high) * 256 + m.read_cmos_byte(port, static_cast<std::uint8_t>(high + 1));
}

int sum(memory_machine& m, std::uint16_t port, int first, int last)
{
    int total = 0;
    for (int k = first; k <= last; ++k)
        total += m.read_cmos_byte(port, static_cast<std::uint8_t>(k));
    return total & 0xFFFF;
}

namespace {

void put_word(std::vector<std::uint8_t>& bank, std::uint8_t high, int value)
{
    bank[high] = static_cast<std::uint8_t>(value >> 8);
    bank[high + 1u] = static_cast<std::uint8_t>(value);
}

}  // namespace

// Settings at their default, away from it, ambiguous (Both) and absent.
void reset_machine(memory_machine& m)
{
    // Every count starts again: the machine lives for the whole fuzzing
    // process, and counts kept across millions of runs overflow.
    m.cmos.clear();
    m.writes.clear();
    m.reads_at_write.clear();
    m.cmos_reads = 0;
    m.locks_taken = 0;
    m.writes_outside_lock = 0;
    m.reads_outside_lock = 0;
    std::vector<std::uint8_t> a(256, 0), b(256, 0), broken(256, 0);
    a[0x41] = 0x01;
    a[0x42] = 0x02;
    a[0x43] = 0x01;
    b[0x21] = 0x0C;
    m.cmos[BANK_A] = a;
    m.cmos[BANK_B] = b;
    broken[0x41] = 0x01;
    m.cmos[BANK_BROKEN] = broken;
    put_word(m.cmos[BANK_A], 0x50, sum(m, BANK_A, 0x40, 0x4F));
    put_word(m.cmos[BANK_B], 0x30, sum(m, BANK_B, 0x20, 0x2F));
    // The direct word follows the token bytes of both banks.
    put_word(m.cmos[BANK_A], DIRECT_HIGH, sum(m, BANK_A, 0x40, 0x4F) + sum(m, BANK_B, 0x20, 0x2F));
}

engine_run& prepared_run()
{
    static engine_run run;
    run.token_table = d4_token_table({token(BANK_A, 0x10, 0x41, 0xFE, 0x01), token(BANK_A, 0x11, 0x41, 0xFE, 0x00),
                                      token(BANK_A, 0x20, 0x42, 0xFC, 0x00), token(BANK_A, 0x21, 0x42, 0xFC, 0x01),
                                      token(BANK_A, 0x22, 0x42, 0xFC, 0x02), token(BANK_A, 0x30, 0x43, 0xFE, 0x01),
                                      token(BANK_A, 0x31, 0x43, 0xFE, 0x01), token(BANK_B, 0x40, 0x21, 0xF0, 0x03),
                                      token(BANK_B, 0x41, 0x21, 0xF0, 0x0C), token(BANK_B, 0x42, 0x21, 0xF0, 0x0F),
                                      token(BANK_BROKEN, 0x50, 0x41, 0xFE, 0x01), token(BANK_BROKEN, 0x51, 0x41, 0xFE, 0x00)});
    std::istringstream settings(SETTINGS_FILE);
    load_settings_from(run.settings, settings);
    return run;
}
