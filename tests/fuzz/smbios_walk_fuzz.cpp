// SPDX-License-Identifier: GPL-2.0-or-later
// The structure walk over any table bytes. Every record is five bytes of the
// table that no other record uses, so L bytes can never give more than L / 5
// tokens.
#include <vector>

#include "fuzz_target.hpp"
#include "hw/smbios_walk.hpp"

FUZZ_TARGET(smbios_walk)
{
    // An exact-size heap copy, so that AddressSanitizer sees any read past it.
    std::vector<std::uint8_t> table(data, data + size);
    std::size_t tokens = 0;
    walk_smbios_table(table, [&tokens](const token_entry&) { ++tokens; });
    fuzz_check(tokens <= size / 5, "more tokens than records fit in the table");
    return 0;
}
