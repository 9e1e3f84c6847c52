// SPDX-License-Identifier: GPL-2.0-or-later
// cmoscfg-smbios-files: writes the structures of a machine description as raw
// files, one structure each (formatted area and string set), as QEMU's
// "-smbios file=" option takes them. The firmware then builds a real table
// around them, with its own entry point and end-of-table structure.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "image/machine_image.hpp"

namespace {

constexpr std::uint8_t END_OF_TABLE = 127;

// Splits a table into its structures. QEMU does not check what it is given, so
// a structure that does not end inside the table is refused here.
std::vector<std::vector<std::uint8_t>> split_structures(const std::vector<std::uint8_t>& table)
{
    std::vector<std::vector<std::uint8_t>> structures;
    std::size_t start = 0;
    while (start < table.size()) {
        if (table.size() - start < 4 || table[start + 1] < 4)
            throw std::runtime_error("malformed structure at table offset " + std::to_string(start));
        std::size_t end = start + table[start + 1];
        while (end + 1 < table.size() && (table[end] != 0 || table[end + 1] != 0))
            ++end;
        if (end + 1 >= table.size())
            throw std::runtime_error("structure at table offset " + std::to_string(start) + " has no end");
        structures.emplace_back(table.begin() + static_cast<std::ptrdiff_t>(start),
                                table.begin() + static_cast<std::ptrdiff_t>(end + 2));
        start = end + 2;
    }
    return structures;
}

void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DESCRIPTION DIRECTORY\n"
                             "Writes DIRECTORY/structure-NN.bin for every structure of the description's first\n"
                             "table but its end-of-table, and prints their paths in table order.\n",
                     argc > 0 ? argv[0] : "cmoscfg-smbios-files");
        return 2;
    }
    try {
        std::ifstream in(argv[1], std::ios::binary);
        if (!in)
            throw std::runtime_error("cannot read the description");
        std::ostringstream text;
        text << in.rdbuf();
        machine_image image = parse_image_description(text.str());
        if (image.tables.empty())
            throw std::runtime_error("the description has no table");
        int number = 0;
        for (const auto& structure : split_structures(image.tables.front().bytes)) {
            if (structure[0] == END_OF_TABLE)
                continue;
            char name[32];
            std::snprintf(name, sizeof name, "/structure-%02d.bin", number++);
            std::string path = std::string(argv[2]) + name;
            write_file(path, structure);
            std::printf("%s\n", path.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[1], e.what());
        return 1;
    }
    return 0;
}
