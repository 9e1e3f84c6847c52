// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "hw/machine.hpp"

// Physical memory that passes every seek and read on to another and hands the
// bytes of each successful read, with their physical address, to a sink. A
// capture runs the SMBIOS scan through it to keep exactly what the scan read.
class recording_memory : public physical_memory {
public:
    using sink = std::function<void(std::uint64_t address, const void* bytes, std::size_t size)>;

    recording_memory(physical_memory& inner, sink record) : inner_(inner), record_(std::move(record)) {}

    bool seek(std::uint64_t address) override;
    long read(void* buffer, std::size_t size) override;

private:
    physical_memory& inner_;
    sink record_;
    std::uint64_t position_ = 0;
};
