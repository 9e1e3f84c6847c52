// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <sys/types.h>

#include "hw/machine.hpp"
#include "lib/held_directory.hpp"

// A machine image: a directory whose file "mem" stands for physical memory
// (byte A of the file is physical address A) and whose file "cmos" holds every
// CMOS bank (location L of the bank at index port P is byte P * 256 + L).
// Nothing of the real hardware is touched and no root is needed. The
// directory is opened once and its files reached from it; each must be a
// regular file, reached without a symbolic link.
class image_machine : public machine {
public:
    explicit image_machine(std::string directory);
    ~image_machine() override;
    image_machine(const image_machine&) = delete;
    image_machine& operator=(const image_machine&) = delete;

    bool is_root() override;
    int raise_io_privilege() override;
    std::string physical_memory_path() override;
    std::unique_ptr<physical_memory> open_physical_memory() override;
    int physical_memory_error() override;
    std::uint8_t read_cmos_byte(std::uint16_t index_port, std::uint8_t location) override;
    void write_cmos_byte(std::uint16_t index_port, std::uint8_t location, std::uint8_t value) override;
    void write_cmos_change(std::span<const cmos_byte_change> change) override;
    // Makes sure that a later write of this byte cannot fail for want of room,
    // without changing what any byte reads as.
    void reserve_cmos_byte(std::uint16_t index_port, std::uint8_t location);
    std::unique_ptr<cmos_write_lock> lock_cmos_writes() override;
    // The file "platform", when the image has one.
    std::optional<std::string> recorded_platform() override;
    std::optional<std::string> image_directory() override { return files_.path(); }
    opened_file open_image_file(const std::string& name) override;
    std::optional<std::string> boot_id() override;
    const held_directory& records_directory(records which, bool create) override;

private:
    std::string file_path(const char* name) const;
    // A descriptor of the image's file name, or -1 with errno when it is
    // missing (ENOENT) or cannot be opened; a tool_error when it is a link or
    // no regular file.
    int open_own_file(const char* name, int flags, mode_t mode = 0);
    // The whole file; false with errno as open_own_file.
    bool read_own_file(const char* name, std::string& contents);
    // Opens the cmos file once; creates it only when a write needs it.
    int cmos_fd(bool for_writing);
    [[noreturn]] void read_failure(int error) const;
    [[noreturn]] void write_failure(const char* reason) const;

    held_directory files_;
    int physical_memory_error_ = 0;
    int cmos_fd_ = -1;
    bool cmos_writable_ = false;
    // What reserve_cmos_byte knows of the file: covered up to here, and
    // whether it may be sparse.
    off_t covered_size_ = 0;
    bool may_have_holes_ = false;
};
