// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "hw/token_access.hpp"
#include "settings/setting_list.hpp"

// What reading and changing settings by name takes: the settings database,
// and the machine whose tokens hold the settings' values. `setting check`
// hands the same engine a rehearsal of the machine.
struct settings_context {
    const settings_database& settings;
    token_access tokens;
};
