// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/value_token.hpp"

#include "hw/cmos_access.hpp"

const token_entry* value_token(const d4_token_table& token_table, const stoken_node& value)
{
    int i = token_table.find_d4_token(value.token_id);
    return i < 0 ? nullptr : &token_table[i];
}

int token_is_set(const token_access& on, const token_entry& token)
{
    return test_d4_token(on.cmos, on.trace, token.index_port, token.location, token.and_mask, token.or_mask);
}
