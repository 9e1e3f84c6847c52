// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// How a token write repairs the CMOS checksum; chosen once at start-up from
// the platform model or an environment override.
enum class checksum_update_method {
    unset = 0,      // start-up has not chosen one yet
    direct = 1,     // adjust the word at 0x70:0x3E/0x3F by the byte's change
    standard = 2,   // recompute the bank's type-0 sum over its checksum range
};

constexpr checksum_update_method UPDATE_METHOD_DIRECT = checksum_update_method::direct;
constexpr checksum_update_method UPDATE_METHOD_STANDARD = checksum_update_method::standard;
