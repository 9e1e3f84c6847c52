// SPDX-License-Identifier: GPL-2.0-or-later
// Prints the command words of the tool's own tables, one a line: the top-level
// words, then each sub-word of the setting command as "setting WORD". The
// manual page check compares them with the page.
#include <cstdio>

#include "cli/dispatch.hpp"
#include "settings/setting_command.hpp"

int main()
{
    for (std::string_view word : command_words())
        std::printf("%.*s\n", static_cast<int>(word.size()), word.data());
    for (std::string_view word : setting_sub_words())
        std::printf("setting %.*s\n", static_cast<int>(word.size()), word.data());
    return 0;
}
