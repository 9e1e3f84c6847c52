// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

#include "settings/settings_context.hpp"

// `setting apply [--json] [--skip-missing] FILE`: a settings file applied
// whole or not at all. Under one hold of the write lock and of termination
// signals, the file is judged by check's engine; if readfile would stop at
// any line, or a name is missing from this system (unless --skip-missing),
// nothing is written. Otherwise the apply's journal record, with every byte
// it will write before and after, is flushed to the disk first, the bytes
// are written as readfile would write them, and a commit mark ends the
// record. A run that dies in between is rolled back by the next one that
// takes the lock (hw/apply_recovery.hpp). Returns the exit status.
int setting_apply_command(const settings_context& context, const std::vector<std::string>& words);
