// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "cli/command_line.hpp"
#include "cli/run_context.hpp"

// list_tokens: every D4 token with its bank and checksum fields, then the count.
command_status list_tokens_command(run_context& run, const command_line& line);

// test|set token_id: test the token's bits ("set"/"unset"), or set them and
// repair the checksum.
command_status test_command(run_context& run, const command_line& line);
command_status set_command(run_context& run, const command_line& line);

// testraw|setraw idx_port location ANDmask ORmask: the same on four numbers,
// with the masks as stored in SMBIOS.
command_status testraw_command(run_context& run, const command_line& line);
command_status setraw_command(run_context& run, const command_line& line);
