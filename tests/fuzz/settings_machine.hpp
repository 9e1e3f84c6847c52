// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// The run that the settings targets share: an in-memory machine with two
// CMOS banks, ten tokens and a fixed platform settings file whose settings
// are at their default, away from it, ambiguous (two values set) or absent;
// and a third bank whose checksum range is reversed, so that every write to
// it fails before a byte is written.

#include <cstdint>

#include "support/engine_run.hpp"

constexpr std::uint16_t BANK_A = 0x70, BANK_B = 0x72, BANK_BROKEN = 0x74;
constexpr std::uint8_t DIRECT_HIGH = 0x3E;  // and its low byte at 0x3F

// The machine, its token table and the settings file, prepared once.
engine_run& prepared_run();
// Puts every CMOS byte back as it was prepared, with valid checksums, and
// starts every count and log of the machine again.
void reset_machine(memory_machine& m);

// The stored word at high/high + 1, and the byte sum of first..last.
int word(memory_machine& m, std::uint16_t port, std::uint8_t high);
int sum(memory_machine& m, std::uint16_t port, int first, int last);
