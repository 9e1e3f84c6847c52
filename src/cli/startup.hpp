// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "cli/run_context.hpp"

// Everything that must succeed before the command word is looked at: root
// check, I/O privilege, shell probe, debug switch, token table, platform and
// settings file, each kept in the run. A tool_error on failure.
void run_startup(run_context& run);
