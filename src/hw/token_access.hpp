// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "hw/machine.hpp"
#include "hw/token_table.hpp"
#include "hw/update_method.hpp"
#include "hw/write_session.hpp"
#include "lib/debug_trace.hpp"

// What reading and writing tokens takes: the machine whose CMOS holds them,
// its token table, how a write repairs the checksum, the write session every
// write goes through, and the run's trace. A dry run hands the same engine
// another machine and session.
struct token_access {
    machine& cmos;
    const d4_token_table& token_table;
    checksum_update_method update_method;
    write_session& writes;
    const tracer& trace;
};
