// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/utc_time.hpp"

#include <ctime>

std::string utc_time_now()
{
    std::time_t now = std::time(nullptr);
    std::tm utc {};
    char text[32] = "";
    if (::gmtime_r(&now, &utc) != nullptr)
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}
