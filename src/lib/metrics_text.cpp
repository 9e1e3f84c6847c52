// SPDX-License-Identifier: GPL-2.0-or-later
#include "lib/metrics_text.hpp"

namespace {

// The length of the UTF-8 sequence that begins text at, 0 when none does.
std::size_t utf8_sequence(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80             ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    if (length == 0 || at + length > text.size() || (length == 2 && lead < 0xC2))
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) >> 6) != 0x2)
            return 0;
    }
    // No overlong form, no surrogate, nothing above U+10FFFF.
    const auto second = length > 1 ? static_cast<unsigned char>(text[at + 1]) : 0;
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90) || lead > 0xF4)
        return 0;
    return length;
}

// Prometheus takes UTF-8 alone, and a settings file may be in another
// encoding: a byte that begins no UTF-8 sequence becomes U+FFFD, as the JSON
// documents write it.
std::string escaped(std::string_view text, bool quotes)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (std::size_t length = utf8_sequence(text, at); length > 1) {
            out += text.substr(at, length);
            at += length;
            continue;
        } else if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++at;
            continue;
        }
        ++at;
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '"' && quotes)
            out += "\\\"";
        else
            out += c;
    }
    return out;
}

}  // namespace

std::string escaped_label_value(std::string_view value)
{
    return escaped(value, true);
}

void metrics_text::family(std::string_view name, std::string_view type, std::string_view help)
{
    text_ += "# HELP ";
    text_ += name;
    text_ += ' ';
    text_ += escaped(help, false);
    text_ += "\n# TYPE ";
    text_ += name;
    text_ += ' ';
    text_ += type;
    text_ += '\n';
}

void metrics_text::sample(std::string_view name, const metric_labels& labels, long long value)
{
    text_ += name;
    if (!labels.empty()) {
        text_ += '{';
        for (std::size_t i = 0; i < labels.size(); ++i) {
            if (i != 0)
                text_ += ',';
            text_ += labels[i].first;
            text_ += "=\"";
            text_ += escaped_label_value(labels[i].second);
            text_ += '"';
        }
        text_ += '}';
    }
    text_ += ' ';
    text_ += std::to_string(value);
    text_ += '\n';
    ++samples_;
}
