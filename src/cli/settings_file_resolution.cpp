#include "cli/settings_file_resolution.hpp"

#include <cstdio>
#include <cstdlib>

#include "lib/debug_trace.hpp"
#include "lib/platform_name.hpp"
#include "lib/str.hpp"
#include "lib/text_utils.hpp"

namespace {

void trace(const char* format, const std::string& text)
{
    if (debug_enabled)
        std::printf(format, text.c_str());
}

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
        trace("# Settings file path set to:  %s\n", path);
    }

    std::string name;
    if (!name_override.empty()) {
        trace("# Settings file overridden to:  %s\n", name_override);
        name = path + name_override;
    } else {
        trace("%s\n", "# Settings file is being implicitly constructed.");
        std::string platform = platform_name;
        lowercase_string(platform);
        name = path + "bios_settings." + platform;
        if (can_open(name)) {
            trace("%s\n", "# Settings file is in current working directory.");
        } else {
            trace("%s\n", "# Settings file is assumed to be in /opt/quor/qsv/");
            name = SETTINGS_INSTALL_DIRECTORY + name;
        }
    }
    trace("# Attempting to read from settings file: %s\n", name);
    return name;
}
