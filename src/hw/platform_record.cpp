// SPDX-License-Identifier: GPL-2.0-or-later
#include "hw/platform_record.hpp"

#include <algorithm>
#include <cctype>

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

const char* update_method_keyword(checksum_update_method method)
{
    return method == UPDATE_METHOD_DIRECT ? "arc_direct" : "quor_standard";
}

std::string format_platform_record(const platform_record& record)
{
    return PLATFORM_KEY + record.platform + "\n" + METHOD_KEY + update_method_keyword(record.update_method) + "\n";
}

std::optional<std::string> unrecordable_platform_name(const std::string& name)
{
    if (name.find_first_of("\n/") != std::string::npos)
        return std::string("holds a newline or '/'");
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return std::string("holds a control character");
    }
    if (name.find("..") != std::string::npos)
        return std::string("holds \"..\"");
    if (!name.empty() && (std::isblank(static_cast<unsigned char>(name.front())) != 0 ||
                          std::isblank(static_cast<unsigned char>(name.back())) != 0))
        return std::string("begins or ends with a blank");
    return std::nullopt;
}

std::optional<platform_record> parse_platform_record(const std::string& text, std::string& problem)
{
    platform_record record;
    // Split by hand rather than through a stream, which would cost the C++
    // library's locale set-up at every start.
    for (std::size_t start = 0, end = 0; start < text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        const std::string line = text.substr(start, end - start);
        if (line.empty())
            continue;
        bool platform_line = starts_with(line, PLATFORM_KEY) && line.size() > PLATFORM_KEY.size();
        if ((platform_line && !record.platform.empty()) || (starts_with(line, METHOD_KEY) && record.update_method != checksum_update_method::unset)) {
            problem = "repeated line: " + line;
            return std::nullopt;
        }
        if (platform_line) {
            record.platform = line.substr(PLATFORM_KEY.size());
            if (std::optional<std::string> unfit = unrecordable_platform_name(record.platform)) {
                problem = "the platform name " + *unfit;
                return std::nullopt;
            }
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
    if (record.update_method == checksum_update_method::unset) {
        problem = "no \"update_method: \" line";
        return std::nullopt;
    }
    return record;
}
