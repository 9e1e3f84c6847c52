// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "hw/machine.hpp"
#include "lib/debug_trace.hpp"
#include "settings/settings_loader.hpp"

// "bios_settings." and the platform in lower case: the name the tool looks
// for, and so the name a capture or an image gives its copy.
std::string settings_file_name(const std::string& platform);

// The settings file for this run, as load_settings takes it.
struct settings_file_choice {
    std::string name;
    settings_file_source source;
};

// The settings file for this run, from CMOSCFG_SETTINGS, CMOSCFG_SETTINGS_PATH
// and the platform name. When neither variable is set and m is an image that
// holds bios_settings.<platform>, that file. Never fails; the loader reports
// a missing file.
settings_file_choice resolve_settings_file(machine& m, const std::string& platform_name, const tracer& trace);
