// SPDX-License-Identifier: GPL-2.0-or-later
// The machine-image back end: where CMOS bytes live in the cmos file, what
// missing bytes read as, and how writes extend the file.
#include <filesystem>
#include <gtest/gtest.h>

#include "hw/image_machine.hpp"
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
    dir.write("mem", "abcdef");
    auto memory = m.open_physical_memory();
    ASSERT_NE(memory, nullptr);
    char buffer[8] = {};
    ASSERT_TRUE(memory->seek(4));
    EXPECT_EQ(memory->read(buffer, 8), 2);
    EXPECT_EQ(std::string(buffer), "ef");
    EXPECT_EQ(memory->read(buffer, 8), 0);
}

}  // namespace
