// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/image_machine.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "hw/file_lock.hpp"
#include "hw/file_memory.hpp"
#include "hw/memory_ranges.hpp"
#include "hw/smbios_scan.hpp"
#include "lib/tool_error.hpp"
#include "lib/text_utils.hpp"
#include "lib/whole_file.hpp"

namespace {
off_t cmos_offset(std::uint16_t index_port, std::uint8_t location)
{
    return static_cast<off_t>(index_port) * 256 + location;
}

// pread and pwrite, started again when a signal interrupts them.
ssize_t read_at(int fd, void* buffer, std::size_t size, off_t offset)
{
    ssize_t got;
    do {
        got = ::pread(fd, buffer, size, offset);
    } while (got < 0 && errno == EINTR);
    return got;
}

ssize_t write_at(int fd, const void* buffer, std::size_t size, off_t offset)
{
    ssize_t put;
    do {
        put = ::pwrite(fd, buffer, size, offset);
    } while (put < 0 && errno == EINTR);
    return put;
}

// An image's files are opened without following a symbolic link: a link
// planted in the image would let a write of root's change, or create, the
// file it points to, and a dangling one would read as untouched CMOS.
[[noreturn]] void refuse_link(const std::string& path)
{
    throw tool_error{1, format_text("Error: %s is a symbolic link; an image's files must not be links\n", path.c_str())};
}

// A device node written as a file would be written from its first byte on (a
// block device reports the size 0), and a FIFO or a character device read as
// one may never end. A tar archive unpacked by root recreates either.
[[noreturn]] void refuse_irregular(const std::string& path)
{
    throw tool_error{1, format_text("Error: %s is not a regular file; an image's files must be regular files\n",
                                    path.c_str())};
}
}  // namespace

image_machine::image_machine(std::string directory) : files_(std::move(directory)) {}

image_machine::~image_machine()
{
    if (cmos_fd_ >= 0)
        ::close(cmos_fd_);
}

bool image_machine::is_root()
{
    return true;
}

int image_machine::raise_io_privilege()
{
    return 0;
}

std::string image_machine::file_path(const char* name) const
{
    return files_.path_of(name);
}

int image_machine::open_own_file(const char* name, int flags, mode_t mode)
{
    if (files_.is_link())
        throw tool_error{1, format_text("Error: %s is a symbolic link; an image's directory must not be a link\n",
                                        files_.path().c_str())};
    opened_file file = files_.open_regular(name, flags, mode);
    switch (file.outcome) {
    case open_outcome::opened:
        return file.fd;
    case open_outcome::link:
        refuse_link(file_path(name));
    case open_outcome::not_regular:
        refuse_irregular(file_path(name));
    case open_outcome::missing:
    case open_outcome::failed:
        break;
    }
    errno = file.error;
    return -1;
}

opened_file image_machine::open_image_file(const std::string& name)
{
    return files_.open_regular(name, O_RDONLY);
}

bool image_machine::read_own_file(const char* name, std::string& contents)
{
    int fd = open_own_file(name, O_RDONLY);
    if (fd < 0)
        return false;
    bool read = read_whole_descriptor(fd, contents);
    int error = errno;
    ::close(fd);
    errno = error;
    return read;
}

std::string image_machine::physical_memory_path()
{
    return file_path("mem");
}

// An image whose "mem.ranges" exists keeps only the ranges read (see
// memory_ranges.hpp); otherwise byte A of "mem" is address A.
std::unique_ptr<physical_memory> image_machine::open_physical_memory()
{
    std::string index_path = file_path("mem.ranges");
    std::string index;
    bool indexed = read_own_file("mem.ranges", index);
    if (!indexed && errno != ENOENT)
        throw tool_error{1, format_text("Error: unable to read %s: %s\n", index_path.c_str(), std::strerror(errno))};
    int fd = open_own_file("mem", O_RDONLY);
    if (fd < 0) {
        physical_memory_error_ = errno;
        return nullptr;
    }
    if (indexed) {
        std::string problem;
        std::unique_ptr<physical_memory> memory = open_memory_ranges(fd, index, problem);
        if (!memory) {
            ::close(fd);
            throw tool_error{1, format_text("Error: malformed memory index %s (%s)\n", index_path.c_str(), problem.c_str())};
        }
        return memory;
    }
    // The scan for the entry point reads up to this address: a shorter file
    // is an image cut short, not a failing read of memory.
    struct stat st {};
    if (::fstat(fd, &st) == 0 && static_cast<std::uint64_t>(st.st_size) < SMBIOS_SCAN_END) {
        ::close(fd);
        throw tool_error{1, format_text("Error: %s ends at %jx, below %jx, where the SMBIOS entry point is looked for; "
                                        "the image is incomplete\n",
                                        physical_memory_path().c_str(), static_cast<std::uintmax_t>(st.st_size),
                                        static_cast<std::uintmax_t>(SMBIOS_SCAN_END))};
    }
    return std::make_unique<file_memory>(fd);
}

int image_machine::physical_memory_error()
{
    return physical_memory_error_;
}

// Only a missing file stands for untouched CMOS; a file that is there but
// cannot be read (no permission, a directory) must not pass for one.
void image_machine::read_failure(int error) const
{
    throw tool_error{1, format_text("Error: unable to read %s: %s\n", file_path("cmos").c_str(), std::strerror(error))};
}

int image_machine::cmos_fd(bool for_writing)
{
    if (cmos_fd_ >= 0 && (cmos_writable_ || !for_writing))
        return cmos_fd_;
    std::string path = file_path("cmos");
    int fd = for_writing ? open_own_file("cmos", O_RDWR | O_CREAT, 0644) : open_own_file("cmos", O_RDONLY);
    if (fd < 0) {
        if (!for_writing && errno == ENOENT)
            return -1;  // a missing image CMOS reads as all 0xFF
        if (!for_writing)
            read_failure(errno);
        throw tool_error{1, format_text("Error: unable to open %s for writing: %s\n", path.c_str(), std::strerror(errno))};
    }
    if (cmos_fd_ >= 0)
        ::close(cmos_fd_);
    cmos_fd_ = fd;
    cmos_writable_ = for_writing;
    return cmos_fd_;
}

std::uint8_t image_machine::read_cmos_byte(std::uint16_t index_port, std::uint8_t location)
{
    int fd = cmos_fd(false);
    if (fd < 0)
        return 0xFF;
    unsigned char byte = 0xFF;
    ssize_t got = read_at(fd, &byte, 1, cmos_offset(index_port, location));
    if (got < 0)
        read_failure(errno);
    return got == 1 ? byte : 0xFF;  // past the end of the file
}

void image_machine::write_cmos_byte(std::uint16_t index_port, std::uint8_t location, std::uint8_t value)
{
    int fd = cmos_fd(true);
    ssize_t put = write_at(fd, &value, 1, cmos_offset(index_port, location));
    if (put != 1)
        write_failure(put < 0 ? std::strerror(errno) : "short write");
}

// A byte past the end of the file is made part of it, the file growing by
// 0xFF bytes (what those bytes read as already); the holes of a sparse file
// get their blocks (still reading as zero). Either fails now, on a full disk,
// rather than at a later write.
// The tool never shrinks the file, so once a byte is known to be covered by a
// file without holes nothing more is asked: between the reservation and the
// writes the file sees nothing but the writes.
void image_machine::reserve_cmos_byte(std::uint16_t index_port, std::uint8_t location)
{
    int fd = cmos_fd(true);
    off_t offset = cmos_offset(index_port, location);
    if (offset < covered_size_ && !may_have_holes_)
        return;
    struct stat st;
    if (::fstat(fd, &st) != 0)
        write_failure(std::strerror(errno));
    may_have_holes_ = st.st_blocks * 512 < st.st_size;
    static const std::string fill(0x10000, '\xFF');
    off_t end = st.st_size;
    while (end <= offset) {
        std::size_t size = std::min<off_t>(offset + 1 - end, static_cast<off_t>(fill.size()));
        ssize_t put = write_at(fd, fill.data(), size, end);
        if (put <= 0)
            write_failure(put < 0 ? std::strerror(errno) : "short write");
        end += put;
    }
    covered_size_ = end;
    if (may_have_holes_) {
        int error = ::posix_fallocate(fd, 0, covered_size_);
        if (error != 0 && error != EOPNOTSUPP)
            write_failure(std::strerror(error));
        may_have_holes_ = false;
    }
}

// A change is written with one pwrite over the span of file it touches (the
// bytes in between written back as they are; the lock keeps them ours), so a
// kill lands before or after the whole change, never inside it. A change
// spread too far for that is written byte by byte.
void image_machine::write_cmos_change(std::span<const cmos_byte_change> change)
{
    if (change.empty())
        return;
    for (const cmos_byte_change& byte : change)
        reserve_cmos_byte(byte.index_port, byte.location);
    off_t first = cmos_offset(change.front().index_port, change.front().location);
    off_t last = first;
    for (const cmos_byte_change& byte : change) {
        first = std::min(first, cmos_offset(byte.index_port, byte.location));
        last = std::max(last, cmos_offset(byte.index_port, byte.location));
    }
    constexpr off_t LARGEST_SINGLE_WRITE = 0x10000;
    if (last - first >= LARGEST_SINGLE_WRITE) {
        machine::write_cmos_change(change);
        return;
    }
    int fd = cmos_fd(true);
    std::string span(static_cast<std::size_t>(last - first + 1), '\0');
    ssize_t got = read_at(fd, span.data(), span.size(), first);
    if (got != static_cast<ssize_t>(span.size()))
        read_failure(got < 0 ? errno : EIO);
    for (const cmos_byte_change& byte : change)
        span[static_cast<std::size_t>(cmos_offset(byte.index_port, byte.location) - first)] = static_cast<char>(byte.value);
    ssize_t put = write_at(fd, span.data(), span.size(), first);
    if (put != static_cast<ssize_t>(span.size()))
        write_failure(put < 0 ? std::strerror(errno) : "short write");
}

void image_machine::write_failure(const char* reason) const
{
    throw tool_error{1, format_text("Error: unable to write %s: %s\n", file_path("cmos").c_str(), reason)};
}

// The image's CMOS file is its own lock: every process that writes the image
// locks the same file, whatever directory name it was given.
std::unique_ptr<cmos_write_lock> image_machine::lock_cmos_writes()
{
    // Made here when missing, as a regular file: the lock takes only that.
    int fd = open_own_file("cmos", O_RDONLY | O_CREAT, 0644);
    if (fd < 0)
        throw tool_error{1, format_text("Error: unable to open the lock file %s: %s\n", file_path("cmos").c_str(),
                                        std::strerror(errno))};
    ::close(fd);
    return lock_file_exclusively({files_.fd(), "cmos", file_path("cmos")}, {0644, false});
}

std::optional<std::string> image_machine::boot_id()
{
    std::string text;
    if (!read_own_file("boot_id", text))
        return std::nullopt;
    trim_string(text);
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

const held_directory& image_machine::records_directory(records, bool)
{
    return files_;
}

std::optional<std::string> image_machine::recorded_platform()
{
    std::string path = file_path("platform");
    std::string text;
    if (!read_own_file("platform", text)) {
        if (errno == ENOENT)
            return std::nullopt;  // an image made by hand: identified as the hardware is
        throw tool_error{1, format_text("Error: unable to read %s: %s\n", path.c_str(), std::strerror(errno))};
    }
    return text;
}
