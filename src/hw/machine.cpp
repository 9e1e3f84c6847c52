// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/machine.hpp"

std::vector<std::string> machine::diagnose_refusal(hardware_access, int)
{
    return {};
}

const held_directory& machine::records_directory(records, bool)
{
    static const held_directory none("");
    return none;
}

void machine::write_cmos_change(std::span<const cmos_byte_change> change)
{
    for (const cmos_byte_change& byte : change)
        write_cmos_byte(byte.index_port, byte.location, byte.value);
}
