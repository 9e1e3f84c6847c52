#include "hw/file_memory.hpp"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

file_memory::file_memory(int fd) : fd_(fd) {}

file_memory::~file_memory()
{
    ::close(fd_);
}

bool file_memory::seek(std::uint64_t address)
{
    if (address > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    return ::lseek(fd_, static_cast<off_t>(address), SEEK_SET) != static_cast<off_t>(-1);
}

long file_memory::read(void* buffer, std::size_t size)
{
    ssize_t got;
    do {
        got = ::read(fd_, buffer, size);
    } while (got < 0 && errno == EINTR);
    return static_cast<long>(got);
}

std::unique_ptr<physical_memory> file_memory::open(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::make_unique<file_memory>(fd);
}
