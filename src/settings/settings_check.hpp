// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <istream>
#include <string>
#include <vector>

// A dry run of `setting readfile`: reads a user settings file with exactly
// readfile's rules and reports, line by line, what readfile would do on this
// machine, without stopping at the first problem: each setting that would
// change (from what to what) or is already at its value, each name this
// machine does not have, each value a setting does not offer, each malformed
// line. Later lines see the changes of earlier ones, played through on a
// private copy of CMOS: nothing is written and no lock is taken.
// Returns 0 when readfile would complete and every requested setting is on
// this machine, else 1.
int check_user_settings(std::istream& in);

// `setting check FILE`. Returns the exit status.
int setting_check_command(const std::vector<std::string>& words);
