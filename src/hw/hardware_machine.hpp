// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "hw/machine.hpp"

// The real machine: root check, I/O privilege level 3, "/dev/mem" and the
// CMOS index/data port pairs.
class hardware_machine : public machine {
public:
    bool is_root() override;
    int raise_io_privilege() override;
    std::string physical_memory_path() override;
    std::unique_ptr<physical_memory> open_physical_memory() override;
    int physical_memory_error() override;
    std::vector<std::string> diagnose_refusal(hardware_access access, int error) override;
    std::uint8_t read_cmos_byte(std::uint16_t index_port, std::uint8_t location) override;
    void write_cmos_byte(std::uint16_t index_port, std::uint8_t location, std::uint8_t value) override;
    std::unique_ptr<cmos_write_lock> lock_cmos_writes() override;
    // The system's own directories only.
    const char* shell_command_path() override { return "/usr/sbin:/usr/bin:/sbin:/bin"; }
    std::optional<std::string> boot_id() override;
    const held_directory& records_directory(records which, bool create) override;

private:
    std::unique_ptr<held_directory> boot_records_;
    std::unique_ptr<held_directory> journal_;

private:
    int physical_memory_error_ = 0;
};
