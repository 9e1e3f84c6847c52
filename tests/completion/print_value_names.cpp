// SPDX-License-Identifier: GPL-2.0-or-later
// Reads the document that `cmoscfg setting json` prints on standard input and
// prints the value names of the setting NAME, one a line, as the tool knows
// them. The completion test compares them with the completion's.
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: print_value_names NAME <DOCUMENT\n", stderr);
        return 2;
    }
    try {
        const nlohmann::json document = nlohmann::json::parse(std::cin);
        for (const nlohmann::json& setting : document.at("settings")) {
            if (setting.at("name") != argv[1])
                continue;
            for (const std::string value : setting.at("value_names"))
                std::printf("%s\n", value.c_str());
        }
    } catch (const nlohmann::json::exception& error) {
        std::fprintf(stderr, "print_value_names: %s\n", error.what());
        return 1;
    }
    return 0;
}
