// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

#include "settings/settings_context.hpp"

// `setting metrics [--baseline FILE] [--output FILE]`: what `setting status`
// and `setting verify` tell, as metrics in the Prometheus text format for
// node_exporter's textfile collector; with a baseline, which settings
// drift from it. Reads CMOS and the records and writes neither: unlike
// status it leaves an open apply as it is, since a monitoring timer must
// not write CMOS. With --output the file is replaced atomically and nothing
// is printed. Exit status 0, or 1 with an error and nothing printed or
// written.
int setting_metrics_command(const settings_context& context, const std::vector<std::string>& words);
