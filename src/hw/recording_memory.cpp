// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/recording_memory.hpp"

bool recording_memory::seek(std::uint64_t address)
{
    if (!inner_.seek(address))
        return false;
    position_ = address;
    return true;
}

long recording_memory::read(void* buffer, std::size_t size)
{
    long got = inner_.read(buffer, size);
    if (got > 0) {
        record_(position_, buffer, static_cast<std::size_t>(got));
        position_ += static_cast<std::uint64_t>(got);
    }
    return got;
}
