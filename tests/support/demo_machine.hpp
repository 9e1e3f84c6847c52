// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "support/fake_programs.hpp"
#include "support/test_machine.hpp"

// The demo machine of examples/ (K2A07, two banks, its settings file), with a
// stand-in `date` so that listings are reproducible.
class demo_machine : public test_machine {
public:
    demo_machine();

    // Runs the tool with the demo's settings file and the fixed date.
    tool_result run_with_settings(const std::vector<std::string>& arguments, environment env = {}) const;

    std::string settings_path() const;

private:
    fake_programs programs_;
};

// The demo machine's model with the standard update method, which keeps a
// checksum per bank.
inline const environment demo_standard_method{{"CMOSCFG_PLATFORM", "K2A07"},
                                              {"CMOSCFG_UPDATE_METHOD", "quor_standard"}};

// The fixed date the stand-in `date` prints.
inline constexpr const char* DEMO_DATE = "12/09/2026 10:00:00";

// An expected-output file of tests/e2e/expected, with @BUILD@ replaced by the
// build's date and time as the banner shows them.
std::string expected_output(const std::string& name);
