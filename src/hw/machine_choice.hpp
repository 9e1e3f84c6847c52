// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <memory>

#include "hw/machine.hpp"

// The back end of this run: the hardware, or the machine image named by
// CMOSCFG_IMAGE when it is set; a tool_error when it is set but empty.
std::unique_ptr<machine> machine_from_environment();
