// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hw/machine.hpp"

// A machine held in memory for unit tests: physical memory as a byte vector,
// CMOS banks as 256-byte arrays (all 0xFF until written), and a log of every
// CMOS write in order.
class memory_machine : public machine {
public:
    struct cmos_write {
        std::uint16_t index_port;
        std::uint8_t location;
        std::uint8_t value;
        bool operator==(const cmos_write&) const = default;
    };

    std::vector<std::uint8_t> memory = std::vector<std::uint8_t>(0x100000, 0);
    std::map<std::uint16_t, std::vector<std::uint8_t>> cmos;
    std::vector<cmos_write> writes;
    bool root = true;
    int io_privilege_error = 0;
    bool memory_opens = true;
    // Seeks at or beyond this address are refused.
    std::optional<std::uint64_t> seek_limit;
    int cmos_reads = 0;
    // cmos_reads at each write, in the order of writes.
    std::vector<int> reads_at_write;
    // The CMOS write lock: how often it was taken, whether it is held now, and
    // how many writes (and reads) happened without it.
    int locks_taken = 0;
    bool locked = false;
    int writes_outside_lock = 0;
    int reads_outside_lock = 0;

    bool is_root() override { return root; }
    int raise_io_privilege() override { return io_privilege_error; }
    std::string physical_memory_path() override { return "memory"; }
    std::unique_ptr<physical_memory> open_physical_memory() override;
    std::uint8_t read_cmos_byte(std::uint16_t index_port, std::uint8_t location) override;
    void write_cmos_byte(std::uint16_t index_port, std::uint8_t location, std::uint8_t value) override;
    std::unique_ptr<cmos_write_lock> lock_cmos_writes() override;

    // Puts bytes into physical memory at address, growing it as needed.
    void put(std::uint64_t address, const std::vector<std::uint8_t>& bytes);
};
