// SPDX-License-Identifier: GPL-2.0-or-later
// Prints the models of the tool's platform table, one a line, each with the
// mark that names it in a product name: "MODEL MARK". The manual page check
// and the completion check compare their lists of models with it.
#include <cstdio>

#include "cli/platform_table.hpp"

int main()
{
    for (const platform_descriptor& platform : known_platforms())
        std::printf("%s %s\n", platform.model, platform.product_name_mark);
    return 0;
}
