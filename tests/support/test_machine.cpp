// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/test_machine.hpp"

#include <fstream>

#include "image/machine_image.hpp"

test_machine::test_machine(const std::string& description) : image_(dir_.file("image"))
{
    build_machine_image(description, image_);
}

tool_result test_machine::run(const std::vector<std::string>& arguments, const environment& env) const
{
    tool_invocation invocation;
    invocation.arguments = arguments;
    invocation.env = env;
    return run(std::move(invocation));
}

tool_result test_machine::run(tool_invocation invocation) const
{
    environment env{{"CMOSCFG_IMAGE", image_}, {"CMOSCFG_PLATFORM", "K2A07"}, {"CMOSCFG_SETTINGS", "NONE"}};
    for (const auto& [name, value] : invocation.env)
        env[name] = value;
    invocation.env = env;
    return run_tool(invocation);
}

std::uint8_t test_machine::cmos(std::uint16_t index_port, std::uint8_t location) const
{
    std::string bytes = cmos_file();
    std::size_t offset = static_cast<std::size_t>(index_port) * 256 + location;
    return offset < bytes.size() ? static_cast<std::uint8_t>(bytes[offset]) : 0xFF;
}

std::string test_machine::cmos_file() const
{
    std::ifstream in(image_ + "/cmos", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
