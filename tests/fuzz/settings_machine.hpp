// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// The machine that the settings targets run on: an in-memory machine with two
// CMOS banks, ten tokens and a fixed platform settings file whose settings
// are at their default, away from it, ambiguous (two values set) or absent.

#include <cstdint>

#include "support/memory_machine.hpp"

constexpr std::uint16_t BANK_A = 0x70, BANK_B = 0x72;
constexpr std::uint8_t DIRECT_HIGH = 0x3E;  // and its low byte at 0x3F

// Installs the machine, its token table and the settings file, once.
memory_machine& prepared_machine();
// Puts every CMOS byte back as it was prepared, with valid checksums, and
// starts every count and log of the machine again.
void reset_machine(memory_machine& m);

// The stored word at high/high + 1, and the byte sum of first..last.
int word(memory_machine& m, std::uint16_t port, std::uint8_t high);
int sum(memory_machine& m, std::uint16_t port, int first, int last);
