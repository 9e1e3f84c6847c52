// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/memory_ranges.hpp"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cinttypes>
#include <cstring>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "hw/smbios_scan.hpp"
#include "lib/tool_error.hpp"

namespace {

struct placed_range {
    std::uint64_t address;
    std::uint64_t length;
    std::uint64_t offset;  // in the file
};

class ranged_memory : public physical_memory {
public:
    ranged_memory(int fd, std::vector<placed_range> ranges, std::uint64_t size)
        : fd_(fd), ranges_(std::move(ranges)), size_(size)
    {
    }
    ~ranged_memory() override { ::close(fd_); }
    ranged_memory(const ranged_memory&) = delete;
    ranged_memory& operator=(const ranged_memory&) = delete;

    bool seek(std::uint64_t address) override
    {
        position_ = address;
        return true;
    }

    long read(void* buffer, std::size_t size) override
    {
        if (position_ >= size_ || size == 0)
            return 0;
        std::uint64_t want = std::min<std::uint64_t>(size, size_ - position_);
        auto next = std::upper_bound(ranges_.begin(), ranges_.end(), position_,
                                     [](std::uint64_t a, const placed_range& r) { return a < r.address; });
        if (next != ranges_.begin()) {
            const placed_range& r = *(next - 1);
            if (position_ < r.address + r.length) {
                std::uint64_t n = std::min(want, r.address + r.length - position_);
                ssize_t got;
                do {
                    got = ::pread(fd_, buffer, n, static_cast<off_t>(r.offset + (position_ - r.address)));
                } while (got < 0 && errno == EINTR);
                if (got <= 0)
                    return -1;
                position_ += static_cast<std::uint64_t>(got);
                return static_cast<long>(got);
            }
        }
        // Between ranges: memory nobody read, zero as in a hole of a plain "mem".
        std::uint64_t gap_end = next != ranges_.end() ? next->address : size_;
        std::uint64_t n = std::min(want, gap_end - position_);
        std::memset(buffer, 0, n);
        position_ += n;
        return static_cast<long>(n);
    }

private:
    int fd_;
    std::vector<placed_range> ranges_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
};

}  // namespace

std::vector<memory_range> joined_ranges(std::vector<memory_range> pieces)
{
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const memory_range& a, const memory_range& b) { return a.address < b.address; });
    std::vector<memory_range> joined;
    for (memory_range& piece : pieces) {
        if (piece.bytes.empty())
            continue;
        if (!joined.empty()) {
            memory_range& last = joined.back();
            std::uint64_t end = last.address + last.bytes.size();
            if (piece.address <= end) {
                std::uint64_t skip = end - piece.address;
                if (skip < piece.bytes.size())
                    last.bytes.append(piece.bytes, static_cast<std::size_t>(skip));
                continue;
            }
        }
        joined.push_back(std::move(piece));
    }
    return joined;
}

std::string format_memory_ranges(const std::vector<memory_range>& ranges, std::uint64_t size)
{
    std::string text = format_text("size %" PRIx64 "\n", size);
    for (const memory_range& r : ranges)
        text += format_text("%" PRIx64 " %zx\n", r.address, r.bytes.size());
    return text;
}

namespace {

// A hexadecimal number as format_memory_ranges writes it: 1 to 16 digits and
// nothing else, so that no stray text passes and no value saturates.
bool read_hex(std::string_view text, std::uint64_t& value)
{
    if (text.empty() || text.size() > 16)
        return false;
    value = 0;
    for (char c : text) {
        int digit = std::isdigit(static_cast<unsigned char>(c)) != 0 ? c - '0'
                    : (c >= 'a' && c <= 'f')                         ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F')                         ? c - 'A' + 10
                                                                     : -1;
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return true;
}

// "FIRST SECOND": two numbers and one space between them.
bool read_hex_pair(std::string_view line, std::uint64_t& first, std::uint64_t& second)
{
    std::size_t space = line.find(' ');
    return space != std::string_view::npos && read_hex(line.substr(0, space), first) &&
           read_hex(line.substr(space + 1), second);
}

}  // namespace

std::unique_ptr<physical_memory> open_memory_ranges(int mem_fd, const std::string& index, std::string& problem)
{
    std::istringstream lines(index);
    std::string line;
    std::uint64_t size = 0;
    if (!std::getline(lines, line) || line.compare(0, 5, "size ") != 0 ||
        !read_hex(std::string_view(line).substr(5), size)) {
        problem = "no \"size\" line first";
        return nullptr;
    }
    if (size < SMBIOS_SCAN_END) {
        problem = format_text("memory ends at %" PRIx64 ", below %" PRIx64 ", where the SMBIOS entry point is looked for",
                              size, SMBIOS_SCAN_END);
        return nullptr;
    }
    std::vector<placed_range> ranges;
    std::uint64_t offset = 0;
    while (std::getline(lines, line)) {
        placed_range r{0, 0, offset};
        if (!read_hex_pair(line, r.address, r.length) || r.length == 0 || r.address > size ||
            r.length > size - r.address ||
            (!ranges.empty() && r.address < ranges.back().address + ranges.back().length)) {
            problem = "wrong line: " + line;
            return nullptr;
        }
        ranges.push_back(r);
        offset += r.length;
    }
    struct stat st {};
    if (::fstat(mem_fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) != offset) {
        problem = "the ranges do not add up to the size of mem";
        return nullptr;
    }
    return std::make_unique<ranged_memory>(mem_fd, std::move(ranges), size);
}
