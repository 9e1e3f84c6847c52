// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/boot_record_command.hpp"

#include <cstdio>
#include <cstring>

#include "cli/write_arguments.hpp"
#include "hw/apply_recovery.hpp"
#include "hw/boot_record.hpp"
#include "hw/cmos_snapshot.hpp"
#include "lib/tool_error.hpp"
#include "lib/utc_time.hpp"

namespace {

std::string banks_summary(const std::vector<bank_checksum>& banks)
{
    std::string summary;
    for (const bank_checksum& bank : banks)
        summary += format_text("%sbank %x checksum %s", summary.empty() ? "" : ", ",
                               static_cast<unsigned>(bank.index_port), bank.valid() ? "valid" : "INVALID");
    return summary.empty() ? "no banks" : summary;
}

}  // namespace

command_status boot_record_command(run_context& run, const command_line& line)
{
    const bool at_boot = line.size() > 2 && line[2] == "--at-boot";
    require_no_more_words(line, at_boot ? 3 : 2);
    // What the next boot is meant to find: an apply a reset cut short is
    // rolled back before the machine is recorded.
    settle_open_apply(run.tokens());

    boot_record record;
    record.time = utc_time_now();
    record.boot_id = run.cmos().boot_id();
    record.at_boot = at_boot;
    record.platform = run.platform_name;
    record.update_method = run.update_method;
    record.settings_file = run.settings.settings_file_in_use;
    record.settings_bytes = run.settings.settings_file_bytes;
    // The bytes a capture keeps, read as one copy that no write can tear.
    cmos_snapshot cmos = cmos_snapshot_plan(run.token_table.entries(), run.update_method);
    read_cmos_snapshot(run.cmos(), cmos);
    for (const auto& [index_port, bank] : cmos) {
        for (std::size_t location = 0; location < bank.bytes.size(); ++location) {
            if (bank.captured.test(location))
                record.cmos[{index_port, static_cast<std::uint8_t>(location)}] = bank.bytes[location];
        }
    }
    // From the copy, so that the sums are of the bytes kept.
    recorded_cmos booted(record);
    record.banks = bank_checksums(booted, run.token_table, run.update_method);

    const held_directory& directory = run.cmos().records_directory(machine::records::boot_record, true);
    if (int error = write_boot_record(directory, record); error != 0)
        throw tool_error{1, format_text("Error: cannot write the boot record %s: %s\n",
                                        directory.path_of("boot-record").c_str(), std::strerror(error))};
    std::printf("Recorded boot %s in %s: %zu CMOS bytes, %s.\n", record.boot_id ? record.boot_id->c_str() : "(no boot id)",
                directory.path_of("boot-record").c_str(), record.cmos.size(), banks_summary(record.banks).c_str());
    return 0;
}
