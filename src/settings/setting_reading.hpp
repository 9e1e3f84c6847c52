// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "settings/settings_context.hpp"

// A setting's value is not stored anywhere: each of its values has a D4 token,
// and the value whose token tests as set in CMOS is the active one. This is
// the one place that finds it, for every command that reads settings.

// What reading met at one value.
enum class token_state {
    missing,   // this machine has no such token
    unset,
    set,
};

struct reading_watch {
    // Told of each value as it is met, in order, between the CMOS reads.
    std::function<void(const stoken_node&, token_state)> each_value;
    // The listings cannot show two set values as one, so they stop looking
    // at the second.
    bool stop_at_second_set = false;
};

struct setting_reading {
    int settings = 0;                          // settings read (names may repeat)
    std::vector<const stoken_node*> offered;   // values whose token this machine has, in order
    std::vector<const stoken_node*> set;       // of those, the ones whose token tests as set

    // The names of the set values, run together: the answer of a read.
    std::string set_names() const;
    // At least one value set (with a name): the setting is on this machine.
    bool present() const { return !set_names().empty(); }
    // The one set value; nullptr when none or several are set.
    const stoken_node* current() const { return set.size() == 1 ? set.front() : nullptr; }
};

// Every setting of this name, their values in file order.
setting_reading read_named_setting(const settings_context& context, const std::string& name,
                                   const reading_watch& watch = {});

// This one setting alone (the listings, which show each setting line by line).
setting_reading read_one_setting(const token_access& tokens, const setting_node& setting,
                                 const reading_watch& watch = {});
