// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/build_info.hpp"

// Fixed by CMake when the build is configured; SOURCE_DATE_EPOCH, when set,
// takes the place of the clock so that builds can be reproduced.
const char* const build_date = CMOSCFG_BUILD_DATE;
const char* const build_time = CMOSCFG_BUILD_TIME;
const char* const build_version = CMOSCFG_VERSION;
