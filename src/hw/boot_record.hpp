// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hw/machine.hpp"
#include "hw/token_table.hpp"
#include "hw/update_method.hpp"
#include "lib/held_directory.hpp"

// The boot record: the machine as the firmware booted it, made early in each
// boot and kept where a reboot clears it. Firmware reads CMOS at boot, so what
// CMOS holds now is what the next boot reads; the record is what this boot
// read. It holds the CMOS bytes that a capture keeps (every byte the tokens,
// their checksum ranges and words use), each bank's checksum and whether it
// held, the platform and update method, the settings file, the boot id and
// the time. It is one file, "boot-record", written whole or not at all.

// A bank's checksum as its first token describes it: the stored word and the
// byte sum of its range (none when the range is reversed).
struct bank_checksum {
    std::uint16_t index_port = 0;
    int stored = 0;
    std::optional<int> computed;

    bool valid() const { return computed && *computed == stored; }
};

struct boot_record {
    std::string time;                    // UTC, as 2026-12-10T17:45:00Z
    std::optional<std::string> boot_id;  // of the boot it was made in
    bool at_boot = false;                // made by the boot unit, not later by hand
    std::string platform;
    checksum_update_method update_method = checksum_update_method::unset;
    std::string settings_file;           // empty when none was in use
    std::string settings_bytes;
    std::vector<bank_checksum> banks;
    std::map<std::pair<std::uint16_t, std::uint8_t>, std::uint8_t> cmos;
};

// Every bank's checksum on m now, in the order of the banks' first tokens.
// Only the standard method keeps a checksum per bank, which the tool can
// sum again; the direct method's one word is the firmware's own sum, of
// bytes the tool does not know, so under it no bank is told.
std::vector<bank_checksum> bank_checksums(machine& m, const d4_token_table& token_table,
                                          checksum_update_method method);

std::string format_boot_record(const boot_record& record);
// nullopt for a text that is no boot record.
std::optional<boot_record> parse_boot_record(const std::string& text);

// Replaces the record of directory with record, atomically: a reader sees the
// old record or the new one. The system's error number, or 0.
int write_boot_record(const held_directory& directory, const boot_record& record);
// The record of directory; nullopt when there is none or it is damaged.
std::optional<boot_record> read_boot_record(const held_directory& directory);

// A machine whose CMOS is what a boot record kept (0xFF elsewhere), so that
// the engine that reads settings on a machine reads them as they booted.
// Nothing else of it can be used, and it cannot be written.
class recorded_cmos : public machine {
public:
    explicit recorded_cmos(const boot_record& record) : record_(record) {}

    bool is_root() override { return true; }
    int raise_io_privilege() override { return 0; }
    std::string physical_memory_path() override { return "boot-record"; }
    std::unique_ptr<physical_memory> open_physical_memory() override { return nullptr; }
    std::uint8_t read_cmos_byte(std::uint16_t index_port, std::uint8_t location) override;
    void write_cmos_byte(std::uint16_t index_port, std::uint8_t location, std::uint8_t value) override;
    std::unique_ptr<cmos_write_lock> lock_cmos_writes() override;

private:
    const boot_record& record_;
};
