// SPDX-License-Identifier: GPL-2.0-or-later
#include "image/machine_image.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/settings_file_resolution.hpp"

namespace {

constexpr std::uint64_t MINIMUM_MEMORY_SIZE = 0x100000;

void put_le(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint8_t checksum_byte(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to)
{
    unsigned sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += bytes[i];
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

// The 31-byte SMBIOS 2.x entry point with both of its checksums right.
std::vector<std::uint8_t> smbios2_entry_point(const smbios_table_image& table, std::uint32_t length)
{
    std::vector<std::uint8_t> e(0x1F, 0);
    std::memcpy(e.data(), "_SM_", 4);
    e[0x05] = 0x1F;
    e[0x06] = 2;
    e[0x07] = 8;
    put_le(e, 0x08, 0x100, 2);
    std::memcpy(e.data() + 0x10, "_DMI_", 5);
    put_le(e, 0x16, length, 2);
    put_le(e, 0x18, table.address, 4);
    put_le(e, 0x1C, static_cast<std::uint64_t>(table.structure_count), 2);
    e[0x1E] = 0x28;
    e[0x15] = checksum_byte(e, 0x10, 0x1F);
    e[0x04] = checksum_byte(e, 0x00, 0x1F);
    return e;
}

// The 24-byte SMBIOS 3.x entry point.
std::vector<std::uint8_t> smbios3_entry_point(const smbios_table_image& table, std::uint32_t length)
{
    std::vector<std::uint8_t> e(0x18, 0);
    std::memcpy(e.data(), "_SM3_", 5);
    e[0x06] = 0x18;
    e[0x07] = 3;
    e[0x08] = 2;
    e[0x0A] = 1;
    put_le(e, 0x0C, length, 4);
    put_le(e, 0x10, table.address, 8);
    e[0x05] = checksum_byte(e, 0x00, 0x18);
    return e;
}

[[noreturn]] void fail(const std::string& what, const std::string& path)
{
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

class output_file {
public:
    // The tool opens an image's files without following links; so are they written.
    explicit output_file(const std::string& path) : path_(path)
    {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd_ < 0)
            fail("cannot create", path);
        // A file that was there keeps its mode; the tool refuses a settings
        // file that others may write.
        if (::fchmod(fd_, 0644) != 0)
            fail("cannot set the mode of", path);
    }
    ~output_file() { ::close(fd_); }
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;

    void write_at(std::uint64_t offset, const std::string& text)
    {
        write_at(offset, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    void write_at(std::uint64_t offset, const std::vector<std::uint8_t>& bytes)
    {
        if (bytes.empty())
            return;
        if (::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset)) !=
            static_cast<ssize_t>(bytes.size()))
            fail("cannot write", path_);
    }
    // Holes read as zero bytes and cost no disk space.
    void extend_to(std::uint64_t size)
    {
        struct stat st{};
        if (::fstat(fd_, &st) != 0)
            fail("cannot stat", path_);
        if (static_cast<std::uint64_t>(st.st_size) < size && ::ftruncate(fd_, static_cast<off_t>(size)) != 0)
            fail("cannot extend", path_);
    }

private:
    std::string path_;
    int fd_;
};

std::vector<std::uint8_t> cmos_with_checksums(const machine_image& image, std::uint16_t port)
{
    std::vector<std::uint8_t> bank = image.cmos.at(port);
    for (const checksum_word& word : image.checksums) {
        if (word.index_port != port)
            continue;
        unsigned sum = 0;
        for (unsigned location = word.first; location <= word.last; ++location)
            sum += bank[location];
        bank[word.location] = static_cast<std::uint8_t>(sum >> 8);
        bank[static_cast<std::uint8_t>(word.location + 1)] = static_cast<std::uint8_t>(sum);
    }
    return bank;
}

void remove_if_there(const std::string& path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        fail("cannot remove", path);
}

void write_platform(const machine_image& image, const std::string& directory)
{
    // A record left by an earlier image in the same directory would name
    // another machine.
    if (!image.platform) {
        if (image.settings_text)
            throw std::runtime_error("a settings file is named after the platform: the description names none");
        remove_if_there(directory + "/platform");
        return;
    }
    output_file(directory + "/platform").write_at(0, format_platform_record(*image.platform));
    // Where the tool looks first on this image.
    if (image.settings_text)
        output_file(directory + "/" + settings_file_name(image.platform->platform)).write_at(0, *image.settings_text);
}

}  // namespace

void write_machine_image(const machine_image& image, const std::string& directory)
{
    if (::mkdir(directory.c_str(), 0755) != 0 && errno != EEXIST)
        fail("cannot create", directory);

    // The memory written here is at its addresses: an index of ranges left
    // by a capture in the same directory would misplace every byte of it.
    remove_if_there(directory + "/mem.ranges");
    // So would the records of the earlier image's boots and writes: a new
    // image has booted nothing and been written by no one.
    for (const char* record : {"boot_id", "boot-record", "journal", "journal.old"})
        remove_if_there(directory + "/" + record);
    output_file memory(directory + "/mem");
    for (const smbios_table_image& table : image.tables)
        memory.write_at(table.address, table.bytes);
    for (const entry_point_image& entry : image.entry_points) {
        const smbios_table_image& table = image.tables.at(entry.table);
        auto length = entry.length.value_or(static_cast<std::uint32_t>(table.bytes.size()));
        memory.write_at(entry.address, entry.kind == entry_point_kind::smbios2
                                           ? smbios2_entry_point(table, length)
                                           : smbios3_entry_point(table, length));
    }
    for (const auto& [address, bytes] : image.memory_bytes)
        memory.write_at(address, bytes);
    memory.extend_to(MINIMUM_MEMORY_SIZE);

    output_file cmos(directory + "/cmos");
    for (const auto& [port, bank] : image.cmos)
        cmos.write_at(static_cast<std::uint64_t>(port) * 256, cmos_with_checksums(image, port));
    write_platform(image, directory);
}

void build_machine_image(const std::string& description, const std::string& directory)
{
    write_machine_image(parse_image_description(description), directory);
}
