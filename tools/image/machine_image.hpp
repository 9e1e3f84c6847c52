// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hw/platform_record.hpp"

// A machine image as the tests and the demo describe it: SMBIOS entry points
// and structure tables placed in physical memory, and CMOS bytes per bank.
// write_machine_image turns it into the directory that CMOSCFG_IMAGE names.

struct smbios_table_image {
    std::uint64_t address = 0;
    std::vector<std::uint8_t> bytes;
    int structure_count = 0;
};

enum class entry_point_kind { smbios2, smbios3 };

struct entry_point_image {
    entry_point_kind kind = entry_point_kind::smbios2;
    std::uint64_t address = 0;
    std::size_t table = 0;                     // index into machine_image::tables
    std::optional<std::uint32_t> length;       // claimed table length; default: the real one
};

struct checksum_word {
    std::uint16_t index_port;
    std::uint8_t first, last, location;        // sum of first..last, high byte at location
};

struct machine_image {
    std::vector<smbios_table_image> tables;
    std::vector<entry_point_image> entry_points;
    std::map<std::uint64_t, std::vector<std::uint8_t>> memory_bytes;   // extra bytes by address
    // Every bank named is written whole: 256 bytes at index port * 256.
    std::map<std::uint16_t, std::vector<std::uint8_t>> cmos;
    std::vector<checksum_word> checksums;
    // The platform the machine is identified as, written as the file
    // "platform" that a capture writes too; without it the tool asks dmidecode.
    std::optional<platform_record> platform;
    // A settings file to hand over with the machine, written as
    // bios_settings.<platform in lower case>, where the tool looks first.
    std::optional<std::string> settings_text;
};

// Writes DIR/mem (sparse, at least 1 MiB), DIR/cmos and, when the image has
// them, DIR/platform and its settings file; creates DIR.
// Throws std::runtime_error on failure.
void write_machine_image(const machine_image& image, const std::string& directory);

// Parses the text description (see README.md of this directory).
// Throws std::runtime_error naming the line on a malformed description.
machine_image parse_image_description(const std::string& text);

// Both steps at once.
void build_machine_image(const std::string& description, const std::string& directory);
