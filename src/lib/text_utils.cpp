// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/text_utils.hpp"

#include <cctype>

// The <cctype> functions are defined only for values of unsigned char (and
// EOF); a plain char of 0x80 or above is negative on x86, so every byte is
// passed as unsigned char.

namespace {

bool is_space(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool is_trailing_blank(char c)
{
    return std::isblank(static_cast<unsigned char>(c)) != 0 || c == '\n';
}

}  // namespace

void trim_string(std::string& s)
{
    std::size_t first = 0;
    while (first < s.size() && is_space(s[first]))
        ++first;
    if (first == s.size()) {
        s.clear();
        return;
    }
    // s[first] is not white space, so this stops at first at the latest.
    std::size_t end = s.size();
    while (is_trailing_blank(s[end - 1]))
        --end;
    s.erase(end);
    s.erase(0, first);
}

void lowercase_string(std::string& s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

void uppercase_string(std::string& s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
