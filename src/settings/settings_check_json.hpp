// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <string>

#include "settings/check_entry.hpp"
#include "settings/nested_json.hpp"

// The verdicts of `setting check` as one JSON document for programs: an entry
// for every line of the file (its number, the name and value as read, the
// outcome, the value before and after where they apply, the values offered
// where a value is refused), then the summary. Names and values that are not
// valid UTF-8 are shown with U+FFFD, as in `setting json`.
//
// The document is made as text line by line while the file is checked. With a
// sink each line's text goes out as soon as it is judged, so that a run holds
// neither the verdicts of the file nor the document; without one the text is
// kept for finish.
class settings_check_document {
public:
    settings_check_document() = default;
    explicit settings_check_document(text_sink write) : write_(std::move(write)) {}
    // The entry of one line, as soon as it is judged.
    void add(const check_entry& entry);
    // The end of the document, the summary of result last; once. Returns
    // the text kept: the whole document without a sink, else nothing.
    std::string finish(const settings_check_result& result);

private:
    void pass_on();

    text_sink write_;
    std::string text_ = "{\n  \"lines\": [";
    std::size_t entries_ = 0;
};
