// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <optional>
#include <string>

#include "hw/update_method.hpp"

// The platform a machine was identified as, kept with a capture of it so that
// a later run on the capture is the same model with the same update method
// without asking the host's dmidecode. Its text, one "key: value" a line:
//
//   platform: K2E07
//   update_method: quor_standard
//
// The update method is one of the keywords of CMOSCFG_UPDATE_METHOD.
struct platform_record {
    std::string platform;   // upper case, as platform_name
    checksum_update_method update_method = checksum_update_method::unset;
};

std::string format_platform_record(const platform_record& record);

// What makes name unfit to be recorded and to name a settings file
// ("bios_settings.<name>", in the image beside the record), or nullopt: a
// '/' or ".." would reach outside the image, a control character (a
// newline, a CR, a NUL) or a blank at either end would not read back as it
// was written.
std::optional<std::string> unrecordable_platform_name(const std::string& name);

// The record that text holds, or nullopt with the first wrong or missing part
// described in problem. Each key is given once, on a line of its own.
std::optional<platform_record> parse_platform_record(const std::string& text, std::string& problem);

// "arc_direct" or "quor_standard"; the keyword that selects update_method.
const char* update_method_keyword(checksum_update_method update_method);
