// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "settings/settings_loader.hpp"

// Install directory searched when the settings file is not found where named.
inline constexpr const char* SETTINGS_INSTALL_DIRECTORY = "/opt/quor/qsv/";

// "bios_settings." and the platform in lower case: the name the tool looks
// for, and so the name a capture or an image gives its copy.
std::string settings_file_name(const std::string& platform);

// The settings file for this run, as load_settings takes it.
struct settings_file_choice {
    std::string name;
    settings_file_source source;
};

// The settings file for this run, from CMOSCFG_SETTINGS, CMOSCFG_SETTINGS_PATH
// and the platform name. When neither variable is set and the machine is an
// image that holds bios_settings.<platform>, that file. Never fails; the
// loader reports a missing file.
settings_file_choice resolve_settings_file();
