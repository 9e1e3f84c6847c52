// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

// Install directory searched when the settings file is not found where named.
inline constexpr const char* SETTINGS_INSTALL_DIRECTORY = "/opt/quor/qsv/";

// The settings file name for this run, from CMOSCFG_SETTINGS, CMOSCFG_SETTINGS_PATH
// and the platform name. Never fails; the loader reports a missing file.
std::string resolve_settings_file();
