// SPDX-License-Identifier: GPL-2.0-or-later
// The preconditions are programming errors and stay checked in optimised
// builds, so assert is kept active in this file whatever NDEBUG says.
#undef NDEBUG
#include <cassert>

#include "lib/str.hpp"

#include <cstring>
#include <utility>

namespace {

// Turns the positions i and j of s into zero-based byte indexes, the smaller
// first and both bounded by the end of s (a position beyond the end means the
// end, even when both are). Returns the length of s. The
// caller asserts that the smaller index is not negative, so that the
// assertion names the operation and the caller's own variables.
int to_indexes(const char* s, int& i, int& j)
{
    const int len = static_cast<int>(std::strlen(s));
    i = i > 0 ? i - 1 : len + i;
    j = j > 0 ? j - 1 : len + j;
    if (i > j)
        std::swap(i, j);
    if (j > len)
        j = len;
    if (i > len)
        i = len;
    return len;
}

}  // namespace

std::string Str_sub(const char* s, int i, int j)
{
    assert(s);
    const int len = to_indexes(s, i, j);
    assert(i >= 0 && j <= len);
    return std::string(s + i, s + j);
}

std::string Str_cat(const char* s1, int i1, int j1, const char* s2, int i2, int j2)
{
    assert(s1);
    int len = to_indexes(s1, i1, j1);
    assert(i1 >= 0 && j1 <= len);
    assert(s2);
    len = to_indexes(s2, i2, j2);
    assert(i2 >= 0 && j2 <= len);
    std::string result;
    result.reserve(static_cast<std::size_t>(j1 - i1) + static_cast<std::size_t>(j2 - i2));
    result.append(s1 + i1, s1 + j1);
    result.append(s2 + i2, s2 + j2);
    return result;
}

int Str_len(const char* s, int i, int j)
{
    assert(s);
    const int len = to_indexes(s, i, j);
    assert(i >= 0 && j <= len);
    return j - i;
}

int Str_find(const char* s, int i, int j, const char* str)
{
    assert(s);
    const int len = to_indexes(s, i, j);
    assert(i >= 0 && j <= len);
    assert(str);
    const int m = static_cast<int>(std::strlen(str));
    if (m == 0)
        return i + 1;
    for (int k = i; k + m <= j; ++k) {
        if (std::strncmp(s + k, str, static_cast<std::size_t>(m)) == 0)
            return k + 1;
    }
    return 0;
}

int Str_findchar(const char* s, int i, int j, int c)
{
    assert(s);
    const int len = to_indexes(s, i, j);
    assert(i >= 0 && j <= len);
    for (int k = i; k < j; ++k) {
        if (static_cast<signed char>(s[k]) == c)
            return k + 1;
    }
    return 0;
}

int Str_countchar(const char* s, int i, int j, int c)
{
    assert(s);
    const int len = to_indexes(s, i, j);
    assert(i >= 0 && j <= len);
    int count = 0;
    for (int k = i; k < j; ++k) {
        if (static_cast<signed char>(s[k]) == c)
            ++count;
    }
    return count;
}

std::optional<std::string> Str_field(const char* s, int i, int j, const char* sep, int n)
{
    int start = i;
    for (int field = 1;; ++field) {
        const int p = Str_find(s, start, j, sep);
        if (p == 0) {
            if (field == n)
                return Str_sub(s, start, 0);
            return std::nullopt;
        }
        if (field == n)
            return Str_sub(s, start, p);
        // Fields are counted from 1, so an n below 1 can never be reached.
        // Giving up here also ends the search for an empty separator, which
        // would otherwise never move on.
        if (field > n)
            return std::nullopt;
        start = p + Str_len(sep, 1, 0);
    }
}

std::string Str_copy(const char* s)
{
    return Str_sub(s != nullptr ? s : "", 1, 0);
}
