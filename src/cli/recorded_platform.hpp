// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "hw/platform_record.hpp"

// The platform and update method that the platform record of a capture
// (hw/platform_record.hpp) holds, taken in the place of autodetection:
// silently, like autodetection, so that every run on the capture prints what
// it printed on the machine. Ends the run with a message when the record is
// malformed.
platform_record adopt_recorded_platform(const std::string& record_text);
