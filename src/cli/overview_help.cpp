// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/overview_help.hpp"

#include <cstdio>

#include "lib/build_info.hpp"

namespace {

const char* const overview = R"(Usage: cmoscfg COMMAND [ARGUMENT...]
       cmoscfg --help | --version

Reads and changes the BIOS settings of K2-family rack servers. Runs as root on
the server itself, or on a machine image without root (CMOSCFG_IMAGE). Numbers
are hexadecimal. Every token write repairs the CMOS checksum.

BIOS settings by name, through the platform's settings file:
  setting                         list the setting sub-commands
  setting list                    the names of all settings
  setting visual                  every setting, active value in [ ], default *
  setting show                    every setting and its active value
  setting save                    the same, as a file that readfile applies
  setting save_diffs              the settings that are not at their default
  setting diff                    the same as save_diffs
  setting get NAME                the active value of one setting
  setting set NAME VALUE          set one setting to one of its values
  setting set_each_default        put every setting back to its default
  setting default                 the same as set_each_default
  setting readfile FILE           apply a saved file, line by line
  setting read FILE               the same as readfile
  setting check [--json] FILE     what readfile would do, writing nothing
  setting apply [--json] FILE     the whole file or nothing, journaled first
  setting json                    every setting and its state, as JSON
  settings ...                    the same as setting
  platform                        the server model

Boot order (K2A07, K2B07, K2C07, K2C08, K2E07):
  bootorder list                  the device number of each of the eight slots
  bootorder get INDEX             the device number of one slot
  bootorder set INDEX DEVICE      put a device number into a slot
  bootorder_raw get PORT LOCATION MASK         read any boot order field
  bootorder_raw set PORT LOCATION MASK DEVICE  write any boot order field

Tokens:
  list_tokens                     every D4 token of the SMBIOS table
  test TOKEN                      whether a token is set
  set TOKEN                       set a token
  testraw PORT LOCATION ANDMASK ORMASK   test a token given by its numbers
  setraw PORT LOCATION ANDMASK ORMASK    set a token given by its numbers

CMOS bytes:
  peek PORT LOCATION MASK         one byte AND the mask (0: the whole byte)
  poke PORT LOCATION VALUE        write one byte; repairs no checksum
  dump PORT FIRST LAST            the bytes FIRST to LAST
  checksum 0 PORT FIRST LAST      the byte sum of FIRST to LAST
  csum2                           stored and computed sums of the fixed areas

Snapshot:
  capture DIR                     a machine image of this machine, in DIR

After the reboot:
  boot-record [--at-boot]         record what this boot booted with
  setting status [--json]         booted, next boot and last written, per setting
  setting verify [--json]         whether the changes before this boot took
  setting metrics [--baseline FILE] [--output FILE]
                                  status and verify as metrics for node_exporter's
                                  textfile collector; drift from a baseline

Help:
  enghelp                         the engineering help
  --help, -h                      this overview
  --version, -V                   the version and the licence

Environment:
  CMOSCFG_IMAGE          a machine image directory, instead of the hardware
  CMOSCFG_PLATFORM       the server model, instead of what dmidecode reports
  CMOSCFG_UPDATE_METHOD  the checksum update method: arc_direct, quor_standard
  CMOSCFG_SETTINGS       the settings file to use; NONE: none (tokens only)
  CMOSCFG_SETTINGS_PATH  the directory that holds the bios_settings.* files
  DEBUG                  when set, to any value: trace lines (on standard error
                         while a command prints JSON)

See cmoscfg(8).
)";

}  // namespace

void print_overview_help()
{
    std::fputs(overview, stdout);
}

void print_version()
{
    std::printf("cmoscfg %s (built %s %s)\n", build_version, build_date, build_time);
    std::puts("Copyright (C) 2026 The cmoscfg developers");
    std::puts("License GPL-2.0-or-later: GNU GPL version 2 or later <https://gnu.org/licenses/gpl.html>.");
    std::puts("This is free software: you are free to change and redistribute it.");
    std::puts("There is NO WARRANTY, to the extent permitted by law.");
}
