// SPDX-License-Identifier: GPL-2.0-or-later
// The machine-image back end: where CMOS bytes live in the cmos file, what
// missing bytes read as, and how writes extend the file.
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "hw/image_machine.hpp"
#include "hw/memory_ranges.hpp"
#include "hw/platform_record.hpp"
#include "support/capture.hpp"
#include "support/temp_dir.hpp"

namespace {

TEST(ImageMachine, AMissingCmosFileReadsAsFFAndIsNotCreatedByReading)
{
    temp_dir dir;
    image_machine m(dir.path());
    EXPECT_EQ(m.read_cmos_byte(0x70, 0x10), 0xFF);
    EXPECT_EQ(m.read_cmos_byte(0x72, 0xFF), 0xFF);
    EXPECT_FALSE(std::filesystem::exists(dir.file("cmos")));
}

TEST(ImageMachine, ACmosFileThatCannotBeReadEndsTheRunInsteadOfReadingAsFF)
{
    temp_dir dir;
    std::filesystem::create_directory(dir.file("cmos"));  // opens, but every read fails
    captured_run r = capture_run([&] { image_machine(dir.path()).read_cmos_byte(0x70, 0x10); });
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "Error: unable to read " + dir.path() + "/cmos: Is a directory\n");

    std::string not_a_directory = dir.write("image", "");  // cannot even be opened
    r = capture_run([&] { image_machine(not_a_directory).read_cmos_byte(0x70, 0x10); });
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "Error: unable to read " + not_a_directory + "/cmos: Not a directory\n");
}

TEST(ImageMachine, BytesLiveAtPortTimes256PlusLocation)
{
    temp_dir dir;
    std::string bytes(0x7300, '\0');
    bytes[0x7010] = 0x5A;
    bytes[0x72FF] = 0x11;
    dir.write("cmos", bytes);
    image_machine m(dir.path() + "/");
    EXPECT_EQ(m.read_cmos_byte(0x70, 0x10), 0x5A);
    EXPECT_EQ(m.read_cmos_byte(0x72, 0xFF), 0x11);
    EXPECT_EQ(m.read_cmos_byte(0x73, 0x00), 0xFF);  // past the end of the file
    EXPECT_EQ(m.read_cmos_byte(0x70, 0x11), 0x00);
}

TEST(ImageMachine, WritesExtendTheFileAndAreSeenByTheNextReader)
{
    temp_dir dir;
    {
        image_machine writer(dir.path());
        EXPECT_EQ(writer.read_cmos_byte(0x72, 0x80), 0xFF);
        writer.write_cmos_byte(0x72, 0x80, 0x42);
        image_machine reader(dir.path());
        EXPECT_EQ(reader.read_cmos_byte(0x72, 0x80), 0x42);
        EXPECT_EQ(reader.read_cmos_byte(0x70, 0x00), 0x00);  // a hole reads as zero
        EXPECT_EQ(reader.read_cmos_byte(0x72, 0x81), 0xFF);  // past the end
        writer.write_cmos_byte(0xFFFF, 0xFF, 0x01);
    }
    std::string bytes = read_file(dir.file("cmos"));
    ASSERT_EQ(bytes.size(), 0x1000000u);
    EXPECT_EQ(bytes[0x7280], 0x42);
    EXPECT_EQ(bytes[0xFFFFFF], 0x01);
}

TEST(ImageMachine, ReservingAByteGrowsTheFileWithoutChangingWhatAnyByteReads)
{
    temp_dir dir;
    dir.write("cmos", std::string(0x7010, '\x11'));
    image_machine m(dir.path());
    m.reserve_cmos_byte(0x70, 0x3F);
    m.reserve_cmos_byte(0x70, 0x05);  // inside the file already
    EXPECT_EQ(read_file(dir.file("cmos")), std::string(0x7010, '\x11') + std::string(0x30, '\xFF'));
    EXPECT_EQ(m.read_cmos_byte(0x70, 0x40), 0xFF);
}

TEST(ImageMachine, AChangeWritesItsBytesInOrderAndLeavesTheBytesBetweenThem)
{
    temp_dir dir;
    std::string before;
    for (int i = 0; i < 0x7300; ++i)
        before += static_cast<char>(i * 7);
    dir.write("cmos", before);
    image_machine m(dir.path());
    const cmos_byte_change change[] = {{0x72, 0x81, 0x06}, {0x70, 0x3E, 0x01}, {0x70, 0x3E, 0x02}, {0x70, 0x3F, 0x2F}};
    m.write_cmos_change(change);
    std::string expected = before;
    expected[0x7281] = 0x06;
    expected[0x703E] = 0x02;  // the later write of a byte wins
    expected[0x703F] = 0x2F;
    EXPECT_EQ(read_file(dir.file("cmos")), expected);
}

TEST(ImageMachine, PhysicalMemoryIsTheMemFile)
{
    temp_dir dir;
    image_machine m(dir.path());
    EXPECT_EQ(m.physical_memory_path(), dir.path() + "/mem");
    EXPECT_EQ(m.open_physical_memory(), nullptr);
    std::string bytes(0x100000, '\0');
    bytes.replace(0xFFFFA, 6, "abcdef");
    dir.write("mem", bytes);
    auto memory = m.open_physical_memory();
    ASSERT_NE(memory, nullptr);
    char buffer[8] = {};
    ASSERT_TRUE(memory->seek(0xFFFFE));
    EXPECT_EQ(memory->read(buffer, 8), 2);
    EXPECT_EQ(std::string(buffer), "ef");
    EXPECT_EQ(memory->read(buffer, 8), 0);
}

// The image formats are read strictly: what does not read back exactly as the
// tool writes it is refused, never taken in part.
TEST(ImageFormats, PlatformRecordsAndMemoryIndexesAreReadStrictly)
{
    using namespace std::string_literals;
    const std::string method = "update_method: arc_direct\n";
    const struct {
        std::string text;
        std::string problem;  // empty: accepted
    } records[] = {
        {"platform: k2a07\n" + method, ""},
        {"platform: K2A07\nplatform: K2E07\n" + method, "repeated line: platform: K2E07"},
        {"platform: K2A07\n" + method + method, "repeated line: update_method: arc_direct"},
        {"platform: ../../etc\n" + method, "the platform name holds a newline or '/'"},
        {"platform: ..\n" + method, "the platform name holds \"..\""},
        {"platform: K2A07\r\n" + method, "the platform name holds a control character"},
        {"platform: K2A07\0X\n"s + method, "the platform name holds a control character"},
        {"platform: K2A07 \n" + method, "the platform name begins or ends with a blank"},
    };
    for (const auto& r : records) {
        std::string problem;
        EXPECT_EQ(parse_platform_record(r.text, problem).has_value(), r.problem.empty()) << r.text;
        EXPECT_EQ(problem, r.problem) << r.text;
    }

    temp_dir dir;
    const struct {
        std::string index;
        std::string problem;
    } indexes[] = {
        {"size 100000\nf0000 10\n", ""},
        {"size100000 junk\nf0000 10\n", "no \"size\" line first"},
        {"size 10000000000000000\nf0000 10\n", "no \"size\" line first"},  // 17 digits
        {"size 100000\nf0000 10 junk\n", "wrong line: f0000 10 junk"},
        {"size 100000\nf0000  10\n", "wrong line: f0000  10"},
        {"size 100000\n-f0000 10\n", "wrong line: -f0000 10"},
        {"size f8000\nf0000 10\n", "memory ends at f8000, below 100000, where the SMBIOS entry point is looked for"},
    };
    for (const auto& c : indexes) {
        int fd = ::open(dir.write("mem", std::string(0x10, 'm')).c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        std::string problem;
        std::unique_ptr<physical_memory> memory = open_memory_ranges(fd, c.index, problem);
        EXPECT_EQ(memory != nullptr, c.problem.empty()) << c.index;
        EXPECT_EQ(problem, c.problem) << c.index;
        if (!memory)
            ::close(fd);
    }
}

}  // namespace
