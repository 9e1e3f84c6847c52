// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/fake_programs.hpp"

#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

void fake_programs::add_script(const std::string& name, const std::string& body)
{
    dir_.write(name, "#!/bin/sh\n" + body, true);
}

void fake_programs::add_system_program(const std::string& name)
{
    std::istringstream directories(SYSTEM_PATH);
    for (std::string directory; std::getline(directories, directory, ':');) {
        std::string program = directory + "/" + name;
        if (::access(program.c_str(), X_OK) == 0) {
            std::filesystem::create_symlink(program, dir_.file(name));
            return;
        }
    }
    throw std::runtime_error("no program " + name + " on " + SYSTEM_PATH);
}

std::string fake_programs::path() const
{
    return dir_.path() + ":" + SYSTEM_PATH;
}
