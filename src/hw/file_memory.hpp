#pragma once

#include <string>

#include "hw/machine.hpp"

// Physical memory backed by a file descriptor: "/dev/mem" on the hardware, the
// image's mem file otherwise. The descriptor is closed with the object.
class file_memory : public physical_memory {
public:
    explicit file_memory(int fd);
    ~file_memory() override;
    file_memory(const file_memory&) = delete;
    file_memory& operator=(const file_memory&) = delete;

    bool seek(std::uint64_t address) override;
    long read(void* buffer, std::size_t size) override;

    // Opens path read-only; nullptr when it cannot be opened.
    static std::unique_ptr<physical_memory> open(const std::string& path);

private:
    int fd_;
};
