// SPDX-License-Identifier: GPL-2.0-or-later
// The number reader against a plain restatement of its rule: white space, a
// sign, a 0x that a digit follows, the run of hexadecimal digits, clamped;
// and the strict reading of write commands, which wants nothing after them.
#include <cctype>
#include <climits>
#include <string>

#include "fuzz_target.hpp"
#include "lib/hex_number.hpp"

namespace {

struct reading {
    long long value;
    bool whole;   // at least one digit, and nothing after the digits
};

reading expected_reading(const std::string& text)
{
    std::size_t p = 0;
    while (p < text.size() && std::isspace(static_cast<unsigned char>(text[p])))
        ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-'))
        negative = text[p++] == '-';
    auto is_digit = [&text](std::size_t k) {
        return k < text.size() && std::isxdigit(static_cast<unsigned char>(text[k]));
    };
    if (p + 2 < text.size() && text[p] == '0' && (text[p + 1] == 'x' || text[p + 1] == 'X') && is_digit(p + 2))
        p += 2;
    std::size_t end = p;
    while (is_digit(end))
        ++end;
    const bool whole = end > p && end == text.size();
    while (p < end && text[p] == '0')
        ++p;
    const std::size_t digits = end - p;
    if (digits > 9)
        return {negative ? INT_MIN : INT_MAX, whole};
    long long magnitude = digits == 0 ? 0 : std::stoll(text.substr(p, digits), nullptr, 16);
    long long value = negative ? -magnitude : magnitude;
    return {value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : value, whole};
}

}  // namespace

FUZZ_TARGET(hex_number)
{
    // The reader takes C text: everything up to the first NUL.
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(text.find('\0') == std::string::npos ? size : text.find('\0'));
    const reading expected = expected_reading(text);
    fuzz_check(parse_hex_int(text.c_str()) == expected.value, "the number read differs from its rule");
    fuzz_check(is_whole_hex_number(text.c_str()) == expected.whole, "a whole number taken for a partial one, or back");
    return 0;
}
