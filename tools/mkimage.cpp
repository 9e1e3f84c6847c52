// SPDX-License-Identifier: GPL-2.0-or-later
// cmoscfg-mkimage: builds a machine image directory from its text description.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "image/machine_image.hpp"

namespace {

std::optional<std::string> read_file(const char* path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return std::nullopt;  // opens, but reads as nothing
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return text.str();
}

}  // namespace

int main(int argc, char** argv)
{
    const char* program = argc > 0 ? argv[0] : "cmoscfg-mkimage";
    const char* settings = nullptr;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--settings") == 0) {
        settings = argv[2];
        first = 3;
    }
    if (argc - first != 2) {
        std::fprintf(stderr,
                     "usage: %s [--settings FILE] DESCRIPTION DIRECTORY\n"
                     "--settings copies FILE into the image as bios_settings.<platform>, where the tool\n"
                     "finds it; the description must name the platform.\n",
                     program);
        return 2;
    }
    const char* description = argv[first];
    const char* directory = argv[first + 1];
    std::optional<std::string> text = read_file(description);
    if (!text) {
        std::fprintf(stderr, "%s: cannot read %s\n", program, description);
        return 1;
    }
    try {
        machine_image image = parse_image_description(*text);
        if (settings != nullptr) {
            image.settings_text = read_file(settings);
            if (!image.settings_text) {
                std::fprintf(stderr, "%s: cannot read %s\n", program, settings);
                return 1;
            }
        }
        write_machine_image(image, directory);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s: %s\n", program, description, e.what());
        return 1;
    }
    return 0;
}
