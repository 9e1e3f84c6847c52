// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/hex_number.hpp"

#include <cctype>
#include <cstdint>

namespace {

int hex_digit_value(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Moves past what may come before the digits: white space, a sign and a "0x"
// prefix. "0x" counts as a prefix only when a hexadecimal digit follows it;
// otherwise the 0 is the number and the x ends it.
const unsigned char* skip_to_digits(const char* text, bool* negative)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (std::isspace(*p))
        ++p;
    *negative = false;
    if (*p == '+' || *p == '-') {
        *negative = *p == '-';
        ++p;
    }
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && hex_digit_value(p[2]) >= 0)
        p += 2;
    return p;
}

}  // namespace

int parse_hex_int(const char* text)
{
    bool negative = false;
    const unsigned char* p = skip_to_digits(text, &negative);

    // Accumulate in 64 bits and stop growing once beyond any 32-bit value, so
    // that a long text clamps instead of wrapping.
    constexpr std::int64_t beyond_int = std::int64_t{1} << 32;
    std::int64_t magnitude = 0;
    for (int digit; (digit = hex_digit_value(*p)) >= 0; ++p) {
        magnitude = magnitude * 16 + digit;
        if (magnitude > beyond_int)
            magnitude = beyond_int;
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int>(value);
}

bool is_whole_hex_number(const char* text)
{
    bool negative = false;
    const unsigned char* p = skip_to_digits(text, &negative);
    if (hex_digit_value(*p) < 0)
        return false;
    while (hex_digit_value(*p) >= 0)
        ++p;
    return *p == '\0';
}
