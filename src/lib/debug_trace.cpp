#include "lib/debug_trace.hpp"

int debug_enabled = 0;
