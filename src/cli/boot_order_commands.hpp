#pragma once

#include "cli/command_line.hpp"

// bootorder list|get|set [index] [device_num]: the boot slots 1..8 of the
// platform's table. Returns without output when the request is not served
// (no table for the platform, or an unknown sub-word).
void bootorder_command(const command_line& line);

// bootorder_raw get|set idx_port location mask_bits [device_num]: any boot
// field, on every platform. Returns without output for an unknown sub-word.
void bootorder_raw_command(const command_line& line);
