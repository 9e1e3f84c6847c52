// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <vector>

#include "hw/token_access.hpp"
#include "settings/setting_list.hpp"

// One setting as the listings see it: its values whose token this machine has
// (the others are left out without a word), in order, and the one set.
struct listed_setting {
    std::vector<const stoken_node*> values;
    const stoken_node* current = nullptr;   // none when no value tests as set

    bool at_default() const { return current != nullptr && current->is_default; }
};

// Tests the token of each value. Two values set at once cannot be shown as one
// setting: that is the listing's error (tool_error).
listed_setting read_listed_setting(const token_access& tokens, const setting_node& setting);
