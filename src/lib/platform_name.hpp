#pragma once

#include <string>

// The server model, upper case, settled once at start-up: from the
// environment, or detected from the product name. Names the settings file.
extern std::string platform_name;
