// SPDX-License-Identifier: GPL-2.0-or-later
#include "settings/setting_usage.hpp"

#include <cstdio>

#include "lib/tool_error.hpp"

void require_settings_file(const settings_database& settings)
{
    if (settings.degraded_mode == 0)
        return;
    throw tool_error{1, "\n"
                        "This function requires that a platform-specific settings file be used.  Point to this with\n"
                        "the environment variable 'SETTINGS'.\n"
                        "\n"
                        "Halting.\n"
                        "\n"};
}

void print_setting_usage()
{
    std::puts("");
    std::puts("Usage:  cmoscfg  setting  [command] [args]");
    std::puts("");
    std::puts("        save                   Save every current BIOS setting in a terse, editable format.");
    std::puts("                                 Default is indicated by *.");
    std::puts("        diff                   Save every current BIOS setting that differs from BIOS defaults");
    std::puts("        readfile [filename]    Read settings from a file, setting them on the current system.");
    std::puts("        list                   List all setting names, as found in bios_settings.NNNNN file");
    std::puts("        get [setting]          Fetch a specific setting's value.  (for scripting)");
    std::puts("        set [setting] [value]  Change a specific setting's value.  (for scripting)");
    std::puts("        set_each_default       Walk over every named setting, and set it to the default.  This is");
    std::puts("                       \t         not as thorough as issuing a bios_reset, but may be preferable.");
    std::puts("");
}
