// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// When this build of the tool was made (YYYY-MM-DD and HH:MM:SS, UTC), shown
// by the banner and by the header of saved settings listings.
extern const char* const build_date;
extern const char* const build_time;

// The release, from the project's version in CMakeLists.txt.
extern const char* const build_version;
