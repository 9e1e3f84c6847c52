// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/update_method.hpp"

int update_method = 0;
