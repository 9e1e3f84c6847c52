// SPDX-License-Identifier: GPL-2.0-or-later
// Physical memory read from a file descriptor: the mapping that stands in for
// a read() the kernel refuses, and absolute positions beyond 32 bits.
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "hw/file_memory.hpp"
#include "support/temp_dir.hpp"

namespace {

// Like /dev/mem above the end of RAM: every read() starting at or past this
// position fails with EFAULT before copying anything.
constexpr off_t REFUSED_FROM = 0x2000;

ssize_t read_refused_high(int fd, void* buffer, std::size_t size)
{
    if (::lseek(fd, 0, SEEK_CUR) >= REFUSED_FROM) {
        errno = EFAULT;
        return -1;
    }
    return ::read(fd, buffer, size);
}

ssize_t read_always_refused(int, void*, std::size_t)
{
    errno = EFAULT;
    return -1;
}

std::string pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

file_memory open_with(const std::string& path, file_memory::read_call reader)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path);
    return file_memory(fd, reader);
}

TEST(FileMemory, ARefusedReadIsServedThroughAMappingAndTheReadsGoOnFromThere)
{
    temp_dir dir;
    const std::string bytes = pattern(0x5000);
    file_memory memory = open_with(dir.write("mem", bytes), read_refused_high);

    // Starts inside a page, crosses a page boundary, ends inside the next page.
    char buffer[0x1234];
    ASSERT_TRUE(memory.seek(0x2FF0));
    ASSERT_EQ(memory.read(buffer, sizeof buffer), static_cast<long>(sizeof buffer));
    EXPECT_EQ(std::string(buffer, sizeof buffer), bytes.substr(0x2FF0, sizeof buffer));
    ASSERT_EQ(memory.read(buffer, 16), 16);
    EXPECT_EQ(std::string(buffer, 16), bytes.substr(0x2FF0 + sizeof buffer, 16));

    // Below the refused range the plain read still serves, and is not mapped.
    ASSERT_TRUE(memory.seek(0x10));
    ASSERT_EQ(memory.read(buffer, 32), 32);
    EXPECT_EQ(std::string(buffer, 32), bytes.substr(0x10, 32));
}

TEST(FileMemory, WhatCannotBeMappedEitherIsReportedWithTheReadsError)
{
    temp_dir dir;
    file_memory memory = open_with(dir.write("mem", pattern(0x3000)), read_always_refused);
    char buffer[32];
    // Past the end of a plain file a mapping would kill the process with SIGBUS.
    ASSERT_TRUE(memory.seek(0x2FF0));
    errno = 0;
    EXPECT_EQ(memory.read(buffer, 32), -1);
    EXPECT_EQ(errno, EFAULT);
    ASSERT_TRUE(memory.seek(0x3000));
    EXPECT_EQ(memory.read(buffer, 1), -1);
    // A device that cannot be mapped at all.
    file_memory device_memory = open_with("/dev/null", read_always_refused);
    errno = 0;
    EXPECT_EQ(device_memory.read(buffer, 32), -1);
    EXPECT_EQ(errno, EFAULT);
}

TEST(FileMemory, PositionsBeyond4GiBAreReachedInASparseFile)
{
    temp_dir dir;
    std::string path = dir.write("mem", "");
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const off_t high = 0x1'0000'0000 + 0x1234;
    ASSERT_EQ(::pwrite(fd, "tail", 4, high), 4);
    ::close(fd);

    for (file_memory::read_call reader : {file_memory::read_call{nullptr}, file_memory::read_call{read_always_refused}}) {
        file_memory memory = open_with(path, reader);
        char buffer[8] = {};
        ASSERT_TRUE(memory.seek(static_cast<std::uint64_t>(high)));
        EXPECT_EQ(memory.read(buffer, 4), 4);
        EXPECT_EQ(std::string(buffer), "tail");
        EXPECT_FALSE(memory.seek(UINT64_MAX));
    }
}

}  // namespace
