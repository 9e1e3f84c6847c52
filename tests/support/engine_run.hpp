// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "hw/token_access.hpp"
#include "settings/settings_context.hpp"
#include "support/memory_machine.hpp"

// The parts of a run around an in-memory machine, for tests of the engine:
// its token table and update method, the settings, a quiet trace and the
// run's write session.
struct engine_run {
    memory_machine machine;
    d4_token_table token_table;
    checksum_update_method update_method = UPDATE_METHOD_STANDARD;
    settings_database settings;
    tracer trace;
    write_session writes{machine};

    token_access tokens() { return {machine, token_table, update_method, writes, trace}; }
    settings_context context() { return {settings, tokens()}; }
};
