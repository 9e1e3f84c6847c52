// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "cli/command_line.hpp"
#include "cli/run_context.hpp"

// bootorder list|get|set [index] [device_num]: the boot slots 1..8 of the
// platform's table. Serves nothing (no output) when the platform has no table
// or the sub-word is unknown.
command_status bootorder_command(run_context& run, const command_line& line);

// bootorder_raw get|set idx_port location mask_bits [device_num]: any boot
// field, on every platform. Serves nothing (no output) for an unknown sub-word.
command_status bootorder_raw_command(run_context& run, const command_line& line);
