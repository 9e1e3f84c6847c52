// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

#include "settings/settings_context.hpp"

// `setting status [--json]`: every setting as this boot booted it, as the next
// boot will read it and as the tool last wrote it, and whether a reboot is
// pending. Exit status 0 when the report is printed, pending or not.
int setting_status_command(const settings_context& context, const std::vector<std::string>& words);

// `setting verify [--json]`: for every setting the tool changed before this
// boot, whether the change took. Exit status 0 only when every one of them
// was applied (or there was none); 1 otherwise, unknown included.
int setting_verify_command(const settings_context& context, const std::vector<std::string>& words);
