// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "settings/check_entry.hpp"
#include "settings/settings_context.hpp"

// A dry run of `setting readfile`: readfile's own walk, with readfile's
// verdict on every line, handed a cmos_rehearsal of the machine, so that
// later lines see the changes of earlier ones while nothing is written and no
// lock is taken. A line whose reads or write would fail is a verdict too.
// Unlike readfile it goes on past the line where readfile would stop, so that
// every problem of the file is seen at once.

// Checks the file; the entry of every line is told to each_line as soon as it
// is judged, and not kept.
settings_check_result check_user_settings(const settings_context& context, std::istream& in,
                                          const std::function<void(const check_entry&)>& each_line = {});

// The line of one entry in check's report; nothing for a comment.
void print_check_line(const check_entry& entry);

// `setting check FILE` and `setting check --json FILE`. Returns the exit status.
int setting_check_command(const settings_context& context, const std::vector<std::string>& words);
