// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/capture_command.hpp"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/settings_file_resolution.hpp"
#include "cli/write_arguments.hpp"
#include "hw/cmos_snapshot.hpp"
#include "hw/image_writer.hpp"
#include "hw/platform_record.hpp"
#include "lib/tool_error.hpp"
#include "lib/staged_directory.hpp"

namespace {

// The very bytes the run loaded: the file is not opened again, so a pipe or a
// FIFO cannot read as empty or block now that signals are held.
void copy_settings_file(const run_context& run, staged_directory& image)
{
    image.write_file(settings_file_name(run.platform_name), run.settings.settings_file_bytes);
}

// A word as the shell reads it back: quoted when it holds anything but the
// characters of plain paths.
std::string shell_word(const std::string& word)
{
    if (!word.empty() && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                "0123456789_-.,/+:@%") == std::string::npos)
        return word;
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string absolute_path(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

void print_summary(const run_context& run, const command_line& line, const std::string& where, const cmos_snapshot& cmos,
                   std::size_t table_length, bool settings_copied)
{
    std::printf("Captured this machine into %s:\n", where.c_str());
    std::printf("  platform %s, update method %s\n", run.platform_name.c_str(), update_method_keyword(run.update_method));
    std::printf("  SMBIOS structure table of %zu bytes, %d tokens\n", table_length, run.token_table.token_count());
    std::size_t total = 0;
    std::string banks;
    for (const auto& [index_port, bank] : cmos) {
        char part[48];
        std::snprintf(part, sizeof part, "%s%zu of bank %x", banks.empty() ? "" : ", ", bank.captured.count(),
                      static_cast<unsigned>(index_port));
        banks += part;
        total += bank.captured.count();
    }
    std::printf("  %zu CMOS bytes%s%s\n", total, banks.empty() ? "" : ": ", banks.c_str());
    if (settings_copied)
        std::printf("  settings file %s, copied as %s\n", run.settings.settings_file_in_use.c_str(),
                    settings_file_name(run.platform_name).c_str());
    else
        std::puts("  no settings file in use");
    std::puts("CMOS may hold a BIOS password: keep the capture as private as the machine.");
    // The capture is mode 0700: another user needs a copy of their own.
    std::puts("Only its owner can read it: for another user, copy it, or chown -R it to them.");
    std::puts("Use it with:");
    // Without a copy, the settings file would be looked for elsewhere.
    std::printf("  CMOSCFG_IMAGE=%s %s%s list_tokens\n", shell_word(where).c_str(),
                settings_copied ? "" : "CMOSCFG_SETTINGS=NONE ", shell_word(line.program_name()).c_str());
}

// The record and the settings copy name the platform: a name that the record
// cannot hold, or that is no file name, would be refused only at the end.
void require_recordable_platform(const std::string& platform_name)
{
    if (std::optional<std::string> unfit = unrecordable_platform_name(platform_name)) {
        throw tool_error{1, format_text("Error: cannot capture platform \"%s\": its name %s\n", platform_name.c_str(),
                                        unfit->c_str())};
    }
}

}  // namespace

command_status capture_command(run_context& run, const command_line& line)
{
    if (line.size() < 3) {
        std::printf("\nUsage:  %s  capture  DIR\n\n", line.program_name());
        return 0;
    }
    // A second word is no part of the directory's name: nothing is captured
    // rather than one of the two.
    require_no_more_words(line, 3);
    const std::string& target = line[2];
    require_recordable_platform(run.platform_name);
    staged_directory::require_new_or_empty(target);

    // CMOS first: a wait for the write lock can still be interrupted, and
    // nothing has been created yet.
    cmos_snapshot cmos = cmos_snapshot_plan(run.token_table.entries(), run.update_method);
    read_cmos_snapshot(run.cmos(), cmos);

    staged_directory image(target);
    std::size_t table_length = write_image_memory(run.cmos(), image);
    write_image_cmos(image, cmos);
    write_image_platform(image, {run.platform_name, run.update_method});
    bool settings_copied = !run.settings.settings_file_in_use.empty();
    if (settings_copied)
        copy_settings_file(run, image);
    image.commit();

    print_summary(run, line, absolute_path(target), cmos, table_length, settings_copied);
    return 0;
}
