// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <vector>

#include "hw/token_entry.hpp"

// Every D4 token of the machine, in SMBIOS order. Built once at start-up by
// load_token_table and read-only afterwards.
extern std::vector<token_entry> token_table;

int token_count();

// Reads the SMBIOS table of the current machine and builds token_table.
void load_token_table();

// Replaces the table (and its lookup index); used by load_token_table and tests.
void set_token_table(std::vector<token_entry> tokens);

// Index of the first entry with this id, or -1. Ids outside 0..0xFFFF never match.
int find_d4_token(int token_id);
