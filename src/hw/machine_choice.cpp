// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/machine_choice.hpp"

#include <cstdlib>

#include "hw/hardware_machine.hpp"
#include "hw/image_machine.hpp"
#include "lib/tool_error.hpp"

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
