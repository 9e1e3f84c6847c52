// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/platform_record.hpp"

#include <sstream>

#include "hw/update_method.hpp"
#include "lib/text_utils.hpp"

namespace {
const std::string PLATFORM_KEY = "platform: ";
const std::string METHOD_KEY = "update_method: ";

bool starts_with(const std::string& line, const std::string& key)
{
    return line.compare(0, key.size(), key) == 0;
}
}  // namespace

const char* update_method_keyword(int method)
{
    return method == UPDATE_METHOD_DIRECT ? "arc_direct" : "quor_standard";
}

std::string format_platform_record(const platform_record& record)
{
    return PLATFORM_KEY + record.platform + "\n" + METHOD_KEY + update_method_keyword(record.update_method) + "\n";
}

std::optional<platform_record> parse_platform_record(const std::string& text, std::string& problem)
{
    platform_record record;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        if (starts_with(line, PLATFORM_KEY) && line.size() > PLATFORM_KEY.size()) {
            record.platform = line.substr(PLATFORM_KEY.size());
            uppercase_string(record.platform);
        } else if (starts_with(line, METHOD_KEY)) {
            std::string keyword = line.substr(METHOD_KEY.size());
            lowercase_string(keyword);
            if (keyword == "arc_direct")
                record.update_method = UPDATE_METHOD_DIRECT;
            else if (keyword == "quor_standard")
                record.update_method = UPDATE_METHOD_STANDARD;
            else {
                problem = "unknown update method: " + line;
                return std::nullopt;
            }
        } else {
            problem = "unexpected line: " + line;
            return std::nullopt;
        }
    }
    if (record.platform.empty()) {
        problem = "no \"platform: \" line";
        return std::nullopt;
    }
    if (record.update_method == 0) {
        problem = "no \"update_method: \" line";
        return std::nullopt;
    }
    return record;
}
