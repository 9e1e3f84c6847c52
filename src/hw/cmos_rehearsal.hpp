// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "hw/machine.hpp"

// A dry run of CMOS changes: a machine whose CMOS writes land in a private
// copy over the real machine's CMOS, which later reads through it see. A
// sequence of token writes (checksum repairs included) can so be played
// through to learn what each step would find, with the real CMOS never
// written and its write lock never taken. Everything else is the real
// machine's. The bytes that would have been written are recorded, in order.
class cmos_rehearsal : public machine {
public:
    explicit cmos_rehearsal(machine& real) : real_(real) {}

    // Every byte written so far, in the order of the writes.
    const std::vector<cmos_byte_change>& recorded_writes() const { return recorded_; }
    // Where each change of several bytes ended in recorded_writes(), so that
    // they can be made again as the same changes.
    const std::vector<std::size_t>& recorded_change_ends() const { return change_ends_; }

    bool is_root() override { return real_.is_root(); }
    int raise_io_privilege() override { return real_.raise_io_privilege(); }
    std::string physical_memory_path() override { return real_.physical_memory_path(); }
    std::unique_ptr<physical_memory> open_physical_memory() override { return real_.open_physical_memory(); }
    int physical_memory_error() override { return real_.physical_memory_error(); }
    std::vector<std::string> diagnose_refusal(hardware_access access, int error) override
    {
        return real_.diagnose_refusal(access, error);
    }
    std::optional<std::string> recorded_platform() override { return real_.recorded_platform(); }
    const char* shell_command_path() override { return real_.shell_command_path(); }
    std::optional<std::string> image_directory() override { return real_.image_directory(); }
    opened_file open_image_file(const std::string& name) override { return real_.open_image_file(name); }
    std::optional<std::string> boot_id() override { return real_.boot_id(); }

    std::uint8_t read_cmos_byte(std::uint16_t index_port, std::uint8_t location) override;
    void write_cmos_byte(std::uint16_t index_port, std::uint8_t location, std::uint8_t value) override;
    // A change of several bytes lands in the copy too, never in the real CMOS.
    void write_cmos_change(std::span<const cmos_byte_change> change) override;
    // Nothing reaches the real CMOS, so there is nothing to keep others out of.
    std::unique_ptr<cmos_write_lock> lock_cmos_writes() override;

private:
    machine& real_;
    std::map<std::pair<std::uint16_t, std::uint8_t>, std::uint8_t> written_;
    std::vector<cmos_byte_change> recorded_;
    std::vector<std::size_t> change_ends_;
};
