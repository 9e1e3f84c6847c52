// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "support/temp_dir.hpp"

// A directory of stand-in programs (dmidecode, date, ...) for the shell
// commands that the tool runs, to be put first on its PATH.
class fake_programs {
public:
    // Adds an executable shell script named name with the given body.
    void add_script(const std::string& name, const std::string& body);
    // Adds a link named name to the system's own program of that name.
    void add_system_program(const std::string& name);

    // This directory, then the system's usual program directories.
    std::string path() const;
    // This directory alone.
    std::string path_alone() const { return dir_.path(); }

private:
    temp_dir dir_;
};

// The system directories that the tests give the tool as its PATH.
inline constexpr const char* SYSTEM_PATH = "/usr/local/bin:/usr/bin:/bin";
