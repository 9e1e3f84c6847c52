#include "lib/platform_name.hpp"

std::string platform_name;
