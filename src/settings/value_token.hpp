// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "hw/token_access.hpp"
#include "hw/token_entry.hpp"
#include "settings/setting_list.hpp"

// The token-table entry of a value's token; nullptr when this machine lacks it.
const token_entry* value_token(const d4_token_table& token_table, const stoken_node& value);

// 1 when the token's bits in CMOS hold its value.
int token_is_set(const token_access& on, const token_entry& token);
