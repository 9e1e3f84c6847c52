// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Metrics in the Prometheus text exposition format (version 0.0.4), as
// node_exporter's textfile collector reads them: each family's "# HELP" and
// "# TYPE" lines, then its samples, one a line. Label values may hold any
// text (a setting's name, a file's path), so they are escaped as the format
// asks: backslash, double quote and newline; a HELP text escapes backslash
// and newline.
using metric_labels = std::vector<std::pair<std::string_view, std::string_view>>;

class metrics_text {
public:
    // Begins a family; its samples follow it.
    void family(std::string_view name, std::string_view type, std::string_view help);
    void sample(std::string_view name, const metric_labels& labels, long long value);
    void sample(std::string_view name, long long value) { sample(name, {}, value); }

    std::size_t samples() const { return samples_; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
    std::size_t samples_ = 0;
};

// A label value as the format writes it between its double quotes.
std::string escaped_label_value(std::string_view value);
