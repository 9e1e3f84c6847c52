#pragma once

#include "cli/command_line.hpp"

// Engineering commands on raw CMOS through an explicit index port, without
// tokens. Each ends the process; with too few arguments it prints its usage.
void peek_command(const command_line& line);      // peek idx_port location ANDmask
void poke_command(const command_line& line);      // poke idx_port location value
void dump_command(const command_line& line);      // dump idx_port loc_start loc_end
void checksum_command(const command_line& line);  // checksum type idx_port loc_start loc_end
void csum2_command(const command_line& line);     // the two fixed checksum areas
