// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "cli/command_line.hpp"
#include "cli/run_context.hpp"

// capture DIR: writes a machine image of this machine into DIR (new or empty),
// so that CMOSCFG_IMAGE=DIR runs behave like runs on this machine. Errors end
// the run with a message, leaving nothing behind.
command_status capture_command(run_context& run, const command_line& line);
