// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <string_view>

// The SHA-256 digest (FIPS 180-4) of bytes, as 64 lower-case hexadecimal
// digits. Small and self-contained: the tool hashes one settings file a run,
// which needs no crypto library among its dependencies.
std::string sha256_hex(std::string_view bytes);
