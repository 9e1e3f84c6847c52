// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/run.hpp"

int main(int argc, char** argv)
{
    return run_cmoscfg(argc, argv);
}
