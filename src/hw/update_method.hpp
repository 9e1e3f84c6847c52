// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// How a token write repairs the CMOS checksum; chosen once at start-up from
// the platform model or an environment override.
constexpr int UPDATE_METHOD_DIRECT = 1;    // adjust the word at 0x70:0x3E/0x3F by the byte's change
constexpr int UPDATE_METHOD_STANDARD = 2;  // recompute the bank's type-0 sum over its checksum range

// 0 until start-up has chosen a method.
extern int update_method;
