// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/text_file.hpp"

#include <cstring>
#include <filesystem>

bool open_text_file(const std::string& path, std::ifstream& in)
{
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        return false;
    in.open(path, std::ios::binary);
    return in.is_open();
}

bool read_text_line(std::istream& in, std::string& line)
{
    if (!std::getline(in, line))
        return false;
    line.resize(std::strlen(line.c_str()));
    return true;
}
