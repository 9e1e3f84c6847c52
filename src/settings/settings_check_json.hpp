// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "settings/settings_check.hpp"

// The verdicts of `setting check` as one JSON document for programs: an entry
// for every line of the file (its number, the name and value as read, the
// outcome, the value before and after where they apply, the values offered
// where a value is refused), then the summary. Names and values that are not
// valid UTF-8 are shown with U+FFFD, as in `setting json`.
std::string settings_check_document(const settings_check_result& result);
