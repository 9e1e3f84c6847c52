// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Takes platform_name from the platform record of a capture
// (hw/platform_record.hpp), in the place of autodetection, and returns the
// update method it records: silently, like autodetection, so that every run
// on the capture prints what it printed on the machine. Ends the run with a
// message when the record is malformed.
int adopt_recorded_platform(const std::string& record_text);
