// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <vector>

// Install directory searched when the settings file is not found where named.
inline constexpr const char* SETTINGS_INSTALL_DIRECTORY = "/opt/quor/qsv/";

// One line for a person whose settings file was not found: where it was
// looked for, in order, and the variables that change that. The error itself
// names only the last place.

// The file name built from the platform was looked for at each of places.
std::string implicit_search_note(const std::vector<std::string>& places);

// CMOSCFG_SETTINGS named the file outright, so nothing else was tried;
// file_name is what would have been looked for without it.
std::string explicit_name_note(const std::string& file_name, bool image_searched);
