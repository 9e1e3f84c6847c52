// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "cli/command_line.hpp"
#include "cli/run_context.hpp"

// Engineering commands on raw CMOS through an explicit index port, without
// tokens. Each serves every request; with too few arguments it prints its usage.
command_status peek_command(run_context& run, const command_line& line);  // peek idx_port location ANDmask
command_status poke_command(run_context& run, const command_line& line);  // poke idx_port location value
command_status dump_command(run_context& run, const command_line& line);  // dump idx_port loc_start loc_end
command_status checksum_command(run_context& run, const command_line& line);  // checksum type idx_port loc_start loc_end
command_status csum2_command(run_context& run, const command_line& line);  // the two fixed checksum areas
