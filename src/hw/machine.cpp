// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/machine.hpp"

#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "hw/hardware_machine.hpp"
#include "hw/image_machine.hpp"
#include "lib/tool_error.hpp"

namespace {
std::unique_ptr<machine> installed_machine;
}

machine& current_machine()
{
    if (!installed_machine)
        throw std::logic_error("no machine back end installed");
    return *installed_machine;
}

void install_machine(std::unique_ptr<machine> back_end)
{
    installed_machine = std::move(back_end);
}

std::vector<std::string> machine::diagnose_refusal(hardware_access, int)
{
    return {};
}

void machine::write_cmos_change(std::span<const cmos_byte_change> change)
{
    for (const cmos_byte_change& byte : change)
        write_cmos_byte(byte.index_port, byte.location, byte.value);
}

std::unique_ptr<machine> exchange_machine(std::unique_ptr<machine> back_end)
{
    std::swap(installed_machine, back_end);
    return back_end;
}

std::unique_ptr<machine> machine_from_environment()
{
    const char* image = std::getenv("CMOSCFG_IMAGE");
    if (image == nullptr)
        return std::make_unique<hardware_machine>();
    // CMOSCFG_IMAGE=$IMG with IMG unset by mistake: the hardware would be
    // written where an image was meant.
    if (image[0] == '\0')
        throw tool_error{1, "Error: CMOSCFG_IMAGE is set but empty; name an image, or unset it to use the hardware\n"};
    return std::make_unique<image_machine>(image);
}
