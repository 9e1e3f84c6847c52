// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/demo_machine.hpp"

demo_machine::demo_machine()
    : test_machine(read_file(std::string(CMOSCFG_SOURCE_DIR) + "/examples/demo-k2a07.machine"))
{
    programs_.add_script("date", std::string("echo '") + DEMO_DATE + "'\n");
}

std::string demo_machine::settings_path() const
{
    return std::string(CMOSCFG_SOURCE_DIR) + "/examples/bios_settings.k2a07";
}

tool_result demo_machine::run_with_settings(const std::vector<std::string>& arguments, environment env) const
{
    if (!env.count("CMOSCFG_SETTINGS"))
        env["CMOSCFG_SETTINGS"] = settings_path();
    env["PATH"] = programs_.path();
    return run(arguments, env);
}

std::string expected_output(const std::string& name)
{
    std::string text = read_file(std::string(CMOSCFG_TEST_DATA_DIR) + "/" + name);
    const std::string marker = "@BUILD@";
    const std::string build = std::string(CMOSCFG_BUILD_DATE) + " " + CMOSCFG_BUILD_TIME;
    for (std::size_t at = 0; (at = text.find(marker, at)) != std::string::npos; at += build.size())
        text.replace(at, marker.size(), build);
    return text;
}
