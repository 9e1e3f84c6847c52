// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/settings_file_resolution.hpp"

#include <cstdio>
#include <cstdlib>

#include "cli/platform.hpp"
#include "lib/debug_trace.hpp"
#include "lib/str.hpp"
#include "lib/text_utils.hpp"

namespace {

bool can_open(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr)
        return false;
    std::fclose(file);
    return true;
}

}  // namespace

std::string resolve_settings_file()
{
    std::string name_override = Str_copy(std::getenv("CMOSCFG_SETTINGS"));
    std::string path = Str_copy(std::getenv("CMOSCFG_SETTINGS_PATH"));

    if (!path.empty()) {
        if (path.back() != '/')
            path += '/';
        trace("# Settings file path set to:  %s\n", path.c_str());
    }

    std::string name;
    if (!name_override.empty()) {
        trace("# Settings file overridden to:  %s\n", name_override.c_str());
        name = path + name_override;
    } else {
        trace("# Settings file is being implicitly constructed.\n");
        std::string platform = platform_name;
        lowercase_string(platform);
        name = path + "bios_settings." + platform;
        if (can_open(name)) {
            trace("# Settings file is in current working directory.\n");
        } else {
            trace("# Settings file is assumed to be in /opt/quor/qsv/\n");
            name = SETTINGS_INSTALL_DIRECTORY + name;
        }
    }
    trace("# Attempting to read from settings file: %s\n", name.c_str());
    return name;
}
