// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/unexpected_argument.hpp"

#include "lib/tool_error.hpp"

void refuse_words_after(const std::vector<std::string>& words, std::size_t used)
{
    if (words.size() > used)
        throw tool_error{1, format_text("Error: unexpected argument: %s\n", words[used].c_str())};
}
