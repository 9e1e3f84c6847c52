// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/file_memory.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// SMBIOS tables may sit above 2 GiB: a 32-bit build must seek with 64-bit offsets.
static_assert(sizeof(off_t) == 8, "build with _FILE_OFFSET_BITS=64");

file_memory::file_memory(int fd, read_call reader) : fd_(fd), reader_(reader != nullptr ? reader : ::read) {}

file_memory::~file_memory()
{
    ::close(fd_);
}

bool file_memory::seek(std::uint64_t address)
{
    if (address > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    if (::lseek(fd_, static_cast<off_t>(address), SEEK_SET) == static_cast<off_t>(-1))
        return false;
    position_ = address;
    return true;
}

long file_memory::read(void* buffer, std::size_t size)
{
    ssize_t got;
    do {
        got = reader_(fd_, buffer, size);
    } while (got < 0 && errno == EINTR);
    if (got >= 0) {
        position_ += static_cast<std::uint64_t>(got);
        return static_cast<long>(got);
    }
    int refusal = errno;
    long mapped = read_through_mapping(buffer, size);
    if (mapped < 0)
        errno = refusal;
    return mapped;
}

// Maps the pages that hold [position, position + size) read-only and copies
// the bytes out. No O_SYNC on the descriptor: with it the kernel asks for an
// uncached mapping, which x86 refuses above 1 MiB.
long file_memory::read_through_mapping(void* buffer, std::size_t size)
{
    if (size == 0)
        return 0;
    struct stat st{};
    if (::fstat(fd_, &st) != 0)
        return -1;
    // Touching a mapping past the end of a plain file kills the process.
    if (S_ISREG(st.st_mode) && (position_ >= static_cast<std::uint64_t>(st.st_size) ||
                                size > static_cast<std::uint64_t>(st.st_size) - position_))
        return -1;

    long page_size = ::sysconf(_SC_PAGESIZE);
    if (page_size <= 0)
        return -1;
    std::uint64_t page_start = position_ - position_ % static_cast<std::uint64_t>(page_size);
    std::size_t lead = static_cast<std::size_t>(position_ - page_start);
    if (size > SIZE_MAX - lead)
        return -1;
    void* mapping = ::mmap(nullptr, lead + size, PROT_READ, MAP_SHARED, fd_, static_cast<off_t>(page_start));
    if (mapping == MAP_FAILED)
        return -1;
    std::memcpy(buffer, static_cast<const unsigned char*>(mapping) + lead, size);
    ::munmap(mapping, lead + size);

    // Keep the descriptor's own position in step for the next read().
    if (!seek(position_ + size))
        return -1;
    return static_cast<long>(size);
}

std::unique_ptr<physical_memory> file_memory::open(const std::string& path, int& error)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    error = fd < 0 ? errno : 0;
    if (fd < 0)
        return nullptr;
    return std::make_unique<file_memory>(fd);
}
