// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>

// One D4 token together with the header of the SMBIOS structure that holds it.
struct token_entry {
    std::uint16_t index_port;        // CMOS index port of the token's bank
    std::uint16_t data_port;         // as stored; access always uses index_port + 1
    std::uint8_t checksum_type;
    std::uint8_t checksum_start;     // first location covered by the bank's checksum
    std::uint8_t checksum_end;       // last location covered, inclusive
    std::uint8_t checksum_location;  // checksum high byte; low byte at the next location
    std::uint16_t token_id;
    std::uint8_t location;           // CMOS location holding the token's bits
    std::uint8_t and_mask;           // the token's own bits are the 0 bits of this mask
    std::uint8_t or_mask;            // value of the token's bits when the token is set
};
