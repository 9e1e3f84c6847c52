// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <sys/types.h>

#include "hw/machine.hpp"

// Physical memory backed by a file descriptor: "/dev/mem" on the hardware, the
// image's mem file otherwise. The descriptor is closed with the object.
//
// The kernel refuses read() on /dev/mem above the last byte of RAM, where
// firmware of small machines puts large SMBIOS tables, while mmap() of the same
// range is allowed. So a refused read is retried through a mapping.
class file_memory : public physical_memory {
public:
    // The read system call; tests put a refusing one in its place.
    using read_call = ssize_t (*)(int fd, void* buffer, std::size_t size);

    explicit file_memory(int fd, read_call reader = nullptr);
    ~file_memory() override;
    file_memory(const file_memory&) = delete;
    file_memory& operator=(const file_memory&) = delete;

    bool seek(std::uint64_t address) override;
    long read(void* buffer, std::size_t size) override;

    // Opens path read-only; nullptr when it cannot be opened, with the
    // system's error number in error (0 on success).
    static std::unique_ptr<physical_memory> open(const std::string& path, int& error);

private:
    long read_through_mapping(void* buffer, std::size_t size);

    int fd_;
    read_call reader_;
    std::uint64_t position_ = 0;
};
