// SPDX-License-Identifier: GPL-2.0-or-later
// cmoscfg-mkimage: builds a machine image directory from its text description.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "image/machine_image.hpp"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DESCRIPTION DIRECTORY\n", argc > 0 ? argv[0] : "cmoscfg-mkimage");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    try {
        build_machine_image(text.str(), argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[1], e.what());
        return 1;
    }
    return 0;
}
