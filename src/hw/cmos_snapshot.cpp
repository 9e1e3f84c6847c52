// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/cmos_snapshot.hpp"

#include "hw/cmos_access.hpp"
#include "hw/machine.hpp"
#include "hw/update_method.hpp"

namespace {

constexpr int FIRST_HIGH_LOCATION = 0x80;

void plan_low_half(cmos_bank_snapshot& bank)
{
    for (int location = 0; location < FIRST_HIGH_LOCATION; ++location)
        bank.captured.set(static_cast<std::size_t>(location));
}

}  // namespace

cmos_snapshot cmos_snapshot_plan(const std::vector<token_entry>& tokens, checksum_update_method method)
{
    cmos_snapshot plan;
    if (method == UPDATE_METHOD_DIRECT)
        plan_low_half(plan[0x70]);
    for (const token_entry& token : tokens) {
        cmos_bank_snapshot& bank = plan[token.index_port];
        plan_low_half(bank);
        bank.captured.set(token.location);
        bank.captured.set(token.checksum_location);
        // The low byte of the word: a location is used modulo 0x100.
        bank.captured.set((token.checksum_location + 1u) % 256u);
        for (unsigned location = token.checksum_start; location <= token.checksum_end; ++location)
            bank.captured.set(location);
    }
    return plan;
}

void read_cmos_snapshot(machine& m, cmos_snapshot& snapshot)
{
    std::unique_ptr<cmos_write_lock> lock = m.lock_cmos_writes();
    for (auto& [index_port, bank] : snapshot) {
        for (std::size_t location = 0; location < bank.bytes.size(); ++location) {
            if (bank.captured.test(location))
                bank.bytes[location] = static_cast<std::uint8_t>(read_cmos(m, index_port, static_cast<int>(location)));
        }
    }
}
