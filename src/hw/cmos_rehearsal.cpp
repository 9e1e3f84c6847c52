// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/cmos_rehearsal.hpp"

namespace {
class no_lock : public cmos_write_lock {};
}

std::uint8_t cmos_rehearsal::read_cmos_byte(std::uint16_t index_port, std::uint8_t location)
{
    auto written = written_.find({index_port, location});
    return written != written_.end() ? written->second : real_.read_cmos_byte(index_port, location);
}

void cmos_rehearsal::write_cmos_byte(std::uint16_t index_port, std::uint8_t location, std::uint8_t value)
{
    written_[{index_port, location}] = value;
    recorded_.push_back({index_port, location, value});
    change_ends_.push_back(recorded_.size());
}

void cmos_rehearsal::write_cmos_change(std::span<const cmos_byte_change> change)
{
    for (const cmos_byte_change& byte : change) {
        written_[{byte.index_port, byte.location}] = byte.value;
        recorded_.push_back(byte);
    }
    change_ends_.push_back(recorded_.size());
}

std::unique_ptr<cmos_write_lock> cmos_rehearsal::lock_cmos_writes()
{
    return std::make_unique<no_lock>();
}
