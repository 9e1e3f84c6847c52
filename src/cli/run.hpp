// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// The whole life of one run: start-up, then the usage text or one command.
// Returns the exit status.
int run_cmoscfg(int argc, char** argv);
