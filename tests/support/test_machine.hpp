// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.hpp"
#include "support/tool_runner.hpp"

// A machine with one CMOS bank and nothing else, for runs that need no more.
inline const char* const any_machine = "bank 70\n";

// The settings file's traces of a run without one (CMOSCFG_SETTINGS=NONE).
inline const std::string settings_trace =
    "# Settings file overridden to:  NONE\n# Attempting to read from settings file: NONE\n";

// A machine image in a temporary directory, built from a text description,
// and the tool run on it.
class test_machine {
public:
    explicit test_machine(const std::string& description);

    const std::string& image_path() const { return image_; }
    const temp_dir& dir() const { return dir_; }

    // Runs the tool on this image. Unless the test says otherwise, the platform
    // is K2A07 and no settings file is used.
    tool_result run(const std::vector<std::string>& arguments, const environment& env = {}) const;
    tool_result run(tool_invocation invocation) const;

    // One byte of the image's CMOS, read with the tool's own rule (missing: ff).
    std::uint8_t cmos(std::uint16_t index_port, std::uint8_t location) const;
    // The whole cmos file, to compare before and after a run.
    std::string cmos_file() const;

private:
    temp_dir dir_;
    std::string image_;
};
