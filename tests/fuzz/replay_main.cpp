// SPDX-License-Identifier: GPL-2.0-or-later
// Replays every file of a fuzz corpus through its target in the ordinary
// build: fuzz_replay TARGET DIRECTORY. A finding aborts, as under libFuzzer.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "fuzz_target.hpp"

namespace {

std::map<std::string, fuzz_function>& targets()
{
    static std::map<std::string, fuzz_function> by_name;
    return by_name;
}

}  // namespace

bool register_fuzz_target(const char* name, fuzz_function function)
{
    targets()[name] = function;
    return true;
}

int main(int argc, char** argv)
{
    if (argc != 3 || targets().count(argv[1]) == 0) {
        std::fprintf(stderr, "usage: fuzz_replay TARGET CORPUS-DIRECTORY\n");
        return 2;
    }
    fuzz_function target = targets()[argv[1]];
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(argv[2]))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "no corpus files in %s\n", argv[2]);
        return 1;
    }
    silence_standard_output();
    for (const auto& file : files) {
        std::fprintf(stderr, "%s\n", file.c_str());
        std::ifstream in(file, std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        target(bytes.data(), bytes.size());
    }
    std::fprintf(stderr, "%zu inputs replayed\n", files.size());
    return 0;
}
