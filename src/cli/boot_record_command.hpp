// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "cli/command_line.hpp"
#include "cli/run_context.hpp"

// boot-record [--at-boot]: records the machine as this boot found it (see
// hw/boot_record.hpp), in the place of the record of any earlier boot.
// --at-boot marks a record made early in the boot by the boot unit; one made
// later by hand may hold changes made since the boot, and says so.
command_status boot_record_command(run_context& run, const command_line& line);
