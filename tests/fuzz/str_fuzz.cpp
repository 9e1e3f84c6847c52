// SPDX-License-Identifier: GPL-2.0-or-later
// The string module against plain restatements of its position rules. Input:
// four positions (one signed byte each), a character, a field number, then
// two texts separated by a NUL. Ranges that start before the string break a
// documented precondition (an assertion) and are not called.
#include <algorithm>
#include <cstring>
#include <string>

#include "fuzz_target.hpp"
#include "lib/str.hpp"

namespace {

struct range {
    int low, high;   // zero-based byte indexes, low <= high <= length
    bool valid;      // false: the range starts before the string
};

range to_range(const std::string& s, int i, int j)
{
    const int len = static_cast<int>(s.size());
    int a = i > 0 ? i - 1 : len + i;
    int b = j > 0 ? j - 1 : len + j;
    if (a > b)
        std::swap(a, b);
    return {std::min(a, len), std::min(b, len), a >= 0};
}

int expected_find(const std::string& s, range r, const std::string& pattern)
{
    const int m = static_cast<int>(pattern.size());
    for (int k = r.low; k + m <= r.high; ++k)
        if (s.compare(static_cast<std::size_t>(k), pattern.size(), pattern) == 0)
            return k + 1;
    return 0;
}

}  // namespace

FUZZ_TARGET(str)
{
    if (size < 6)
        return 0;
    const auto position = [data](int k) { return static_cast<int>(static_cast<signed char>(data[k])); };
    const int i1 = position(0), j1 = position(1), i2 = position(2), j2 = position(3), field = position(5);
    const int c = static_cast<signed char>(data[4]);
    const std::string rest(reinterpret_cast<const char*>(data + 6), size - 6);
    const std::size_t nul = rest.find('\0');
    const std::string s1 = rest.substr(0, nul);
    std::string s2 = nul == std::string::npos ? std::string() : rest.substr(nul + 1);
    s2.resize(std::strlen(s2.c_str()));

    const range r1 = to_range(s1, i1, j1);
    const range r2 = to_range(s2, i2, j2);
    if (r1.valid) {
        const std::string sub = s1.substr(static_cast<std::size_t>(r1.low), static_cast<std::size_t>(r1.high - r1.low));
        fuzz_check(Str_sub(s1.c_str(), i1, j1) == sub, "Str_sub");
        fuzz_check(Str_len(s1.c_str(), i1, j1) == r1.high - r1.low, "Str_len");
        fuzz_check(Str_find(s1.c_str(), i1, j1, s2.c_str()) == expected_find(s1, r1, s2), "Str_find");
        const int found = Str_findchar(s1.c_str(), i1, j1, c);
        const std::size_t at = sub.find(static_cast<char>(c));
        fuzz_check(found == (c < -128 || c > 127 || at == std::string::npos ? 0 : r1.low + static_cast<int>(at) + 1),
                   "Str_findchar");
        fuzz_check(Str_countchar(s1.c_str(), i1, j1, c) ==
                       static_cast<int>(std::count(sub.begin(), sub.end(), static_cast<char>(c))),
                   "Str_countchar");
        if (r2.valid) {
            const std::string sub2 =
                s2.substr(static_cast<std::size_t>(r2.low), static_cast<std::size_t>(r2.high - r2.low));
            fuzz_check(Str_cat(s1.c_str(), i1, j1, s2.c_str(), i2, j2) == sub + sub2, "Str_cat");
        }
        if (!s2.empty()) {
            auto piece = Str_field(s1.c_str(), i1, j1, s2.c_str(), field);
            fuzz_check(!piece || piece->size() <= s1.size(), "Str_field longer than its string");
            fuzz_check(!piece || field >= 1, "Str_field found a field below 1");
        }
    }
    fuzz_check(Str_copy(s1.c_str()) == s1, "Str_copy");
    return 0;
}
