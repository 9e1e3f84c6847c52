#include "hw/update_method.hpp"

int update_method = 0;
