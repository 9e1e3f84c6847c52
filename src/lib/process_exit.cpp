// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/process_exit.hpp"

#include <cstdio>

void end_process(int status)
{
    std::fflush(stdout);
    throw process_exit{status};
}
