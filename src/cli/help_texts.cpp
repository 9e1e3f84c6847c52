// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/help_texts.hpp"

#include <cstdio>

#include "cli/platform.hpp"
#include "lib/build_info.hpp"

void print_usage(const std::string& program_name)
{
    std::puts("");
    std::printf("cmoscfg  |  built: %s %s\n", build_date, build_time);
    std::puts("");
    std::printf("Usage:  %s  command\n", program_name.c_str());
    std::puts("");
    std::puts("Commands available:");
    std::puts("");
    std::puts("    User commands");
    std::puts("    -------------");
    std::puts("");
    std::puts("      setting        Work with BIOS settings.  (Shows subcommands.)");
    std::puts("      bootorder      View or change BIOS boot order (Shows subcommands)");
    std::puts("      platform       Show current system's platform type");
    std::puts("");
    std::puts("    Environment Variables");
    std::puts("    ---------------------");
    std::puts("");
    std::puts("      Set the following path to where your bios_settings.NNNNN files live: ");
    std::puts("           export CMOSCFG_SETTINGS_PATH=/path/to/settingsfiles/");
    std::puts("");
    std::puts("    Diagnostic and other commands");
    std::puts("    -----------------------------");
    std::puts("");
    std::puts("      test           Test if a D4 token is set (by token id)");
    std::puts("      set            Set a D4 token (by token id)");
    std::puts("");
    std::puts("      enghelp        View the engineer-help-menu.  Most users should never");
    std::puts("                     need this.");
    std::puts("");
}

void print_enghelp()
{
    std::puts("");
    std::puts("    Engineering debug / tools");
    std::puts("    -------------------------");
    std::puts("");
    std::puts("      testraw       Test if D4 token is set. Fully specified/direct CMOS access");
    std::puts("      setraw        Set a D4 token (as above)");
    std::puts("      dump          Dump a CMOS bank and range");
    std::puts("      list_tokens   Show all available tokens on this system");
    std::puts("      checksum      Calculate a BIOS checksum based on type, bank and range");
    std::puts("      peek          Look into CMOS, pulling out a value based on index/mask.");
    std::puts("                    Output is not shifted automatically.");
    std::puts("      poke          Poke a value into CMOS.");
    std::puts("      bootorder_raw View or change BIOS boot order, manually specifying location");
    std::puts("");
    print_platform_choice_help("    ");
    std::puts("      export CMOSCFG_PLATFORM=NNNNN");
    std::puts("      export CMOSCFG_UPDATE_METHOD=arc_direct");
    std::puts("      export CMOSCFG_UPDATE_METHOD=quor_standard");
    std::puts("");
    std::puts("    You can name the settings file (full path) that you want to use:");
    std::puts("    Set this to 'NONE' to set degraded mode (token operations still available)");
    std::puts("      export CMOSCFG_SETTINGS=/path/to/settings.file");
    std::puts("");
    std::puts("    Or set the path that contains all of your settings files:");
    std::puts("      export CMOSCFG_SETTINGS_PATH=/path/to/settingsfiles/");
    std::puts("");
    std::puts("    Turn on debug info:");
    std::puts("      export DEBUG=1");
    std::puts("");
    std::puts("");
}
