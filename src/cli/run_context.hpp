// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <memory>
#include <string>

#include "hw/machine.hpp"
#include "hw/token_access.hpp"
#include "hw/token_table.hpp"
#include "hw/update_method.hpp"
#include "hw/write_session.hpp"
#include "lib/debug_trace.hpp"
#include "settings/setting_list.hpp"

// The state of one run: what start-up builds, and the write session that
// every CMOS write of the run goes through. Command handlers take it; what
// they call below takes only the parts it uses.
struct run_context {
    explicit run_context(std::unique_ptr<machine> machine_in_use)
        : back_end(std::move(machine_in_use)), writes(*back_end)
    {
    }

    tracer trace;
    std::unique_ptr<machine> back_end;   // the hardware or a machine image
    d4_token_table token_table;
    checksum_update_method update_method = checksum_update_method::unset;
    // The server model, upper case, settled once at start-up: from the
    // environment, or detected from the product name. Names the settings file.
    std::string platform_name;
    settings_database settings;
    // Declared after the machine, so that it ends (and gives back the
    // machine's lock) before the machine does.
    write_session writes;

    machine& cmos() { return *back_end; }
    token_access tokens() { return {*back_end, token_table, update_method, writes, trace}; }
};
