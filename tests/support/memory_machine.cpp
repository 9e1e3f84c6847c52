// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/memory_machine.hpp"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

class vector_memory : public physical_memory {
public:
    explicit vector_memory(memory_machine& owner) : owner_(owner) {}

    bool seek(std::uint64_t address) override
    {
        if (owner_.seek_limit && address >= *owner_.seek_limit)
            return false;
        position_ = address;
        return true;
    }

    long read(void* buffer, std::size_t size) override
    {
        const auto& bytes = owner_.memory;
        if (position_ >= bytes.size())
            return 0;
        std::size_t n = std::min<std::uint64_t>(size, bytes.size() - position_);
        std::memcpy(buffer, bytes.data() + position_, n);
        position_ += n;
        return static_cast<long>(n);
    }

private:
    memory_machine& owner_;
    std::uint64_t position_ = 0;
};

class flag_lock : public cmos_write_lock {
public:
    explicit flag_lock(memory_machine& owner) : owner_(owner) { owner_.locked = true; }
    ~flag_lock() override { owner_.locked = false; }

private:
    memory_machine& owner_;
};

}  // namespace

std::unique_ptr<cmos_write_lock> memory_machine::lock_cmos_writes()
{
    // Taking it twice in one process would deadlock on a real lock file.
    if (locked)
        throw std::logic_error("CMOS write lock taken twice");
    ++locks_taken;
    return std::make_unique<flag_lock>(*this);
}

std::unique_ptr<physical_memory> memory_machine::open_physical_memory()
{
    if (!memory_opens)
        return nullptr;
    return std::make_unique<vector_memory>(*this);
}

std::uint8_t memory_machine::read_cmos_byte(std::uint16_t index_port, std::uint8_t location)
{
    ++cmos_reads;
    if (!locked)
        ++reads_outside_lock;
    auto it = cmos.find(index_port);
    return it == cmos.end() ? 0xFF : it->second[location];
}

void memory_machine::write_cmos_byte(std::uint16_t index_port, std::uint8_t location, std::uint8_t value)
{
    auto it = cmos.find(index_port);
    if (it == cmos.end())
        it = cmos.emplace(index_port, std::vector<std::uint8_t>(256, 0xFF)).first;
    it->second[location] = value;
    if (!locked)
        ++writes_outside_lock;
    writes.push_back({index_port, location, value});
    reads_at_write.push_back(cmos_reads);
}

void memory_machine::put(std::uint64_t address, const std::vector<std::uint8_t>& bytes)
{
    if (memory.size() < address + bytes.size())
        memory.resize(address + bytes.size(), 0);
    std::copy(bytes.begin(), bytes.end(), memory.begin() + static_cast<std::ptrdiff_t>(address));
}
