// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Whether this code runs under AddressSanitizer, for the tests that it makes
// impossible: GCC says so with a macro, clang with a feature.
#if defined(__SANITIZE_ADDRESS__)
#define UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef UNDER_ADDRESS_SANITIZER
#define UNDER_ADDRESS_SANITIZER 0
#endif
