// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/cmos_rehearsal.hpp"

#include <map>
#include <utility>

namespace {

class no_lock : public cmos_write_lock {};

class rehearsal_machine : public machine {
public:
    rehearsal_machine(machine& real, std::shared_ptr<std::vector<cmos_byte_change>> recorded)
        : real_(real), recorded_(std::move(recorded))
    {
    }

    bool is_root() override { return real_.is_root(); }
    int raise_io_privilege() override { return real_.raise_io_privilege(); }
    std::string physical_memory_path() override { return real_.physical_memory_path(); }
    std::unique_ptr<physical_memory> open_physical_memory() override { return real_.open_physical_memory(); }
    int physical_memory_error() override { return real_.physical_memory_error(); }
    std::vector<std::string> diagnose_refusal(hardware_access access, int error) override
    {
        return real_.diagnose_refusal(access, error);
    }

    std::uint8_t read_cmos_byte(std::uint16_t index_port, std::uint8_t location) override
    {
        auto written = written_.find({index_port, location});
        return written != written_.end() ? written->second : real_.read_cmos_byte(index_port, location);
    }

    void write_cmos_byte(std::uint16_t index_port, std::uint8_t location, std::uint8_t value) override
    {
        written_[{index_port, location}] = value;
        recorded_->push_back({index_port, location, value});
    }

    // A change of several bytes lands in the copy too, never in the real CMOS.
    void write_cmos_change(std::span<const cmos_byte_change> change) override
    {
        for (const cmos_byte_change& byte : change)
            write_cmos_byte(byte.index_port, byte.location, byte.value);
    }

    // Nothing reaches the real CMOS, so there is nothing to keep others out of.
    std::unique_ptr<cmos_write_lock> lock_cmos_writes() override { return std::make_unique<no_lock>(); }

private:
    machine& real_;
    std::map<std::pair<std::uint16_t, std::uint8_t>, std::uint8_t> written_;
    std::shared_ptr<std::vector<cmos_byte_change>> recorded_;
};

}  // namespace

cmos_rehearsal::cmos_rehearsal() : recorded_(std::make_shared<std::vector<cmos_byte_change>>())
{
    machine& real = current_machine();
    real_ = exchange_machine(std::make_unique<rehearsal_machine>(real, recorded_));
}

cmos_rehearsal::~cmos_rehearsal()
{
    install_machine(std::move(real_));
}
