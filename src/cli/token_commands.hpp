#pragma once

#include "cli/command_line.hpp"

// list_tokens: every D4 token with its bank and checksum fields, then the count.
void list_tokens_command(const command_line& line);

// test|set token_id: test the token's bits ("set"/"unset"), or set them and
// repair the checksum.
void test_command(const command_line& line);
void set_command(const command_line& line);

// testraw|setraw idx_port location ANDmask ORmask: the same on four numbers,
// with the masks as stored in SMBIOS.
void testraw_command(const command_line& line);
void setraw_command(const command_line& line);
